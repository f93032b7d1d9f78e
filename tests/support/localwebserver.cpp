#include "support/localwebserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QSslCertificate>
#include <QTcpServer>
#include <algorithm>
#include <array>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int scriptTimeoutMs = 60'000;
constexpr int startAttempts = 3;

QString scriptPath()
{
    return QStringLiteral(KORVANT_SOURCE_DIR "/scripts/webserver");
}

// Ports the kernel just handed out; they are released before nginx binds them, so another
// process may take one in between, which start() survives by trying again.
bool pickFreePorts(std::array<quint16, 5> &ports)
{
    std::array<std::unique_ptr<QTcpServer>, 5> holders;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        holders[i] = std::make_unique<QTcpServer>();
        if (!holders[i]->listen(QHostAddress::LocalHost, 0))
            return false;
        ports[i] = holders[i]->serverPort();
    }
    return true;
}

QString hookName(LocalWebServer::Hook hook)
{
    switch (hook) {
    case LocalWebServer::Hook::Redirect:
        return u"redirect"_s;
    case LocalWebServer::Hook::Error500:
        return u"error500"_s;
    case LocalWebServer::Hook::Close:
        return u"close"_s;
    case LocalWebServer::Hook::Slow:
        return u"slow"_s;
    case LocalWebServer::Hook::Truncated:
        return u"truncated"_s;
    case LocalWebServer::Hook::Stall:
        return u"stall"_s;
    case LocalWebServer::Hook::Endless:
        return u"endless"_s;
    case LocalWebServer::Hook::Cookie:
        return u"cookie"_s;
    }
    return {};
}

QUrl localUrl(quint16 port, const QString &path)
{
    return QUrl(u"https://localhost:"_s + QString::number(port) + path);
}

} // namespace

LocalWebServer::LocalWebServer(const QString &configHome)
    : m_configHome(configHome.isEmpty() ? m_dir.filePath(u"config"_s) : configHome)
{
    if (!m_dir.isValid()) {
        m_error = u"no temporary folder: "_s + m_dir.errorString();
        return;
    }
    m_running = start();
}

LocalWebServer::~LocalWebServer()
{
    stop();
}

bool LocalWebServer::start()
{
    for (int attempt = 1; attempt <= startAttempts; ++attempt) {
        std::array<quint16, 5> ports{};
        if (!pickFreePorts(ports)) {
            m_error = u"no free port on 127.0.0.1"_s;
            return false;
        }
        m_port = ports[0];
        m_sitePort = ports[1];
        std::copy(ports.begin() + 2, ports.end(), std::begin(m_badPorts));

        QByteArray output;
        const int code =
            runScript({u"start"_s, u"--build"_s, QStringLiteral(KORVANT_BINARY_DIR), u"--port"_s,
                       QString::number(m_port), u"--site-port"_s, QString::number(m_sitePort),
                       u"--unknown-ca-port"_s, QString::number(m_badPorts[0]),
                       u"--wrong-host-port"_s, QString::number(m_badPorts[1]), u"--expired-port"_s,
                       QString::number(m_badPorts[2]), u"--ca-file"_s, caFile(), u"--stop-with"_s,
                       QString::number(QCoreApplication::applicationPid())},
                      &output);
        if (code == 0)
            return true;
        m_error =
            u"scripts/webserver start (attempt %1) exited with %2:\n"_s.arg(attempt).arg(code) +
            QString::fromLocal8Bit(output);
    }
    return false;
}

bool LocalWebServer::stop()
{
    if (!m_running)
        return true;
    QByteArray output;
    if (runScript({u"stop"_s}, &output) != 0) {
        m_error = u"scripts/webserver stop failed:\n"_s + QString::fromLocal8Bit(output);
        return false;
    }
    m_running = false;
    return true;
}

int LocalWebServer::runScript(const QStringList &arguments, QByteArray *output) const
{
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(scriptPath(), arguments + QStringList{u"--state"_s, stateDir()});
    const bool finished = script.waitForFinished(scriptTimeoutMs);
    if (!finished)
        script.kill();
    if (output)
        *output = script.readAll();
    if (!finished || script.exitStatus() != QProcess::NormalExit)
        return -1;
    return script.exitCode();
}

QUrl LocalWebServer::baseUrl() const
{
    return localUrl(m_port, u"/Korvant"_s);
}

QUrl LocalWebServer::url(const QString &name) const
{
    return localUrl(m_port, u"/Korvant/"_s + name);
}

QUrl LocalWebServer::hookBaseUrl(Hook hook) const
{
    return localUrl(m_port, u"/"_s + hookName(hook) + u"/Korvant"_s);
}

QUrl LocalWebServer::badCertificateBaseUrl(BadCertificate kind) const
{
    return localUrl(m_badPorts[static_cast<int>(kind)], u"/Korvant"_s);
}

QUrl LocalWebServer::siteUrl() const
{
    return localUrl(m_sitePort, {});
}

QString LocalWebServer::caFile() const
{
    return m_configHome + u"/Quendrel/Korvant-ca.pem"_s;
}

QString LocalWebServer::updateDir() const
{
    return stateDir() + u"/update"_s;
}

QString LocalWebServer::siteDir() const
{
    return stateDir() + u"/site"_s;
}

QString LocalWebServer::stateDir() const
{
    return m_dir.filePath(u"state"_s);
}

QString LocalWebServer::accessLog() const
{
    return stateDir() + u"/logs/access.log"_s;
}

bool LocalWebServer::publish(const QString &name, const QByteArray &contents) const
{
    QFile file(updateDir() + u'/' + name);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QStringList LocalWebServer::accessLogLines() const
{
    QFile log(accessLog());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QSslConfiguration LocalWebServer::sslConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QSslCertificate::fromPath(caFile()));
    return configuration;
}
