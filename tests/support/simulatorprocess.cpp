#include "support/simulatorprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

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
    // An end nobody waits for (a crash mid-test) is noted when it happens, with its report.
    QObject::connect(&m_process, &QProcess::finished, &m_process, [this] { checkEnd(); });
}

SimulatorProcess::~SimulatorProcess()
{
    if (isRunning() && !stop() && isRunning()) {
        m_killed = true;
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    checkEnd();
    reportFailure();
    // Whatever failed the test, the simulator's own words may tell why.
    if (QTest::currentTestFunction() && QTest::currentTestFailed())
        showErrors("in a failed test");
    QObject::disconnect(&m_process, nullptr, nullptr, nullptr);
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
    if (!m_process.waitForStarted(timeoutMs)) {
        qWarning("the station simulator %s did not start: %s", qPrintable(executable()),
                 qPrintable(m_process.errorString()));
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (m_lines.isEmpty()) {
        if (!isRunning() || deadline.hasExpired()) {
            showErrors("that gave no terminal");
            return false;
        }
        m_process.waitForReadyRead(int(deadline.remainingTime()));
        collectOutput();
    }
    m_ptyPath = m_lines.takeFirst();
    if (!m_ptyPath.startsWith(u'/')) {
        showErrors("that gave no terminal");
        return false;
    }
    return true;
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
    if (isRunning())
        m_process.terminate();
    return waitForExit(timeoutMs);
}

bool SimulatorProcess::waitForExit(int timeoutMs)
{
    if (isRunning() && !m_process.waitForFinished(timeoutMs))
        return false;
    collectOutput();
    checkEnd();
    reportFailure();
    return m_failure.isEmpty() && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}

QString SimulatorProcess::errorOutput()
{
    collectErrors();
    return QString::fromLocal8Bit(m_errors);
}

QString SimulatorProcess::takeFailure()
{
    m_reported = true;
    return m_failure;
}

void SimulatorProcess::checkEnd()
{
    if (m_endChecked || isRunning() || m_process.error() == QProcess::FailedToStart)
        return;
    m_endChecked = true;
    collectErrors();
    if (m_killed) {
        m_failure = u"did not end on SIGTERM and was killed"_s;
    } else if (m_process.exitStatus() == QProcess::CrashExit) {
        m_failure = u"crashed (ended by a signal)"_s;
    } else if (m_process.exitCode() != 0) {
        m_failure = u"ended with status %1"_s.arg(m_process.exitCode());
    }
    if (!m_failure.isEmpty())
        showErrors("that failed");
}

void SimulatorProcess::reportFailure()
{
    if (m_failure.isEmpty() || m_reported)
        return;
    m_reported = true;
    const QString message = u"the station simulator (%1) %2"_s.arg(m_options.join(u' '), m_failure);
    if (QTest::currentTestFunction())
        QTest::qFail(qPrintable(message), __FILE__, __LINE__);
    else
        qCritical("%s", qPrintable(message));
}

void SimulatorProcess::showErrors(const char *why)
{
    collectErrors();
    const QByteArray unseen = m_errors.mid(m_errorsShown);
    m_errorsShown = m_errors.size();
    if (unseen.trimmed().isEmpty())
        return;
    qWarning("standard error of the station simulator %s (%s):\n%s", why,
             qPrintable(m_options.join(u' ')), unseen.constData());
}

void SimulatorProcess::collectErrors()
{
    m_errors += m_process.readAllStandardError();
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
