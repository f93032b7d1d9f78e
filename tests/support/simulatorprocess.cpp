#include "support/simulatorprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

SimulatorProcess::SimulatorProcess(QStringList options) : m_options(std::move(options))
{
    const qsizetype name = m_options.indexOf(u"--name"_s);
    if (name >= 0 && name + 1 < m_options.size())
        m_name = m_options.at(name + 1);
    const qsizetype capture = m_options.indexOf(u"--capture"_s);
    if (capture >= 0 && capture + 1 < m_options.size()) {
        m_captureFile = m_options.at(capture + 1);
    } else {
        m_captureFile = m_dir.filePath(u"capture.bin"_s);
        m_options << u"--capture"_s << m_captureFile;
    }
}

SimulatorProcess::~SimulatorProcess()
{
    if (isRunning() && !stop())
        m_process.kill();
    m_process.waitForFinished(5000);
}

QString SimulatorProcess::executable()
{
    return QStringLiteral(KORVANT_STATION_SIM);
}

QString SimulatorProcess::runtimeDir() const
{
    return m_dir.filePath(u"runtime"_s);
}

QString SimulatorProcess::advertisedLink() const
{
    return runtimeDir() + u"/korvant/ports/"_s + m_name;
}

bool SimulatorProcess::start(int timeoutMs)
{
    if (!m_dir.isValid() || !QDir().mkpath(runtimeDir()))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir());
    m_process.setProcessEnvironment(environment);
    m_process.start(executable(), m_options);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (m_lines.isEmpty()) {
        if (!isRunning() || deadline.hasExpired())
            return false;
        m_process.waitForReadyRead(int(deadline.remainingTime()));
        collectOutput();
    }
    m_ptyPath = m_lines.takeFirst();
    return m_ptyPath.startsWith(u'/');
}

bool SimulatorProcess::command(const QString &command, const QString &replyPrefix, int timeoutMs)
{
    m_process.write((command + u'\n').toLocal8Bit());
    return !waitForLine(replyPrefix, timeoutMs).isNull();
}

QString SimulatorProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        collectOutput();
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (m_lines.at(i).startsWith(prefix))
                return m_lines.takeAt(i);
        }
        if (deadline.hasExpired() || !isRunning())
            return {};
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

QByteArray SimulatorProcess::fetchCapture(int timeoutMs)
{
    if (!command(u"capture"_s, u"captured"_s, timeoutMs))
        return {};
    return readCaptureFile();
}

QByteArray SimulatorProcess::readCaptureFile() const
{
    QFile file(m_captureFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool SimulatorProcess::stop(int timeoutMs)
{
    if (!isRunning())
        return m_process.exitStatus() == QProcess::NormalExit;
    m_process.terminate();
    return waitForExit(timeoutMs);
}

bool SimulatorProcess::waitForExit(int timeoutMs)
{
    if (isRunning() && !m_process.waitForFinished(timeoutMs))
        return false;
    collectOutput();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QString SimulatorProcess::errorOutput()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}

void SimulatorProcess::collectOutput()
{
    m_partialLine += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        m_lines.append(QString::fromLocal8Bit(m_partialLine.left(end)));
        m_partialLine.remove(0, end + 1);
    }
}
