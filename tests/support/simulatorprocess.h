#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The built korvant-station-sim, run for one test. It gets a private XDG_RUNTIME_DIR (so
// parallel tests never share advertised names) and a capture file unless the options name one.
// Every wait is bounded.
//
// The simulator's own faults fail the test that runs it: a crash, a non-zero exit status (a
// sanitizer's report ends it so) or no end after SIGTERM. Its standard error is shown when it
// fails, when start() fails, and when it is torn down in a test that failed. The failure is
// recorded in the running test function when the simulator is stopped or destroyed, so a
// fixture torn down in cleanup() fails the test that used it.
class SimulatorProcess final
{
public:
    explicit SimulatorProcess(QStringList options = {});
    ~SimulatorProcess();
    Q_DISABLE_COPY_MOVE(SimulatorProcess)

    static QString executable();

    // Starts the simulator and waits for its first line, the pseudo-terminal's path.
    bool start(int timeoutMs = 10000);
    QString ptyPath() const { return m_ptyPath; }
    QString runtimeDir() const;
    // Where the simulator advertises itself: <runtimeDir>/korvant/ports/<name>.
    QString advertisedLink() const;
    QString captureFile() const { return m_captureFile; }

    // Sends one command line and waits for a news line starting with replyPrefix.
    bool command(const QString &command, const QString &replyPrefix, int timeoutMs = 5000);
    // Waits for a news line starting with prefix and takes it; lines before it stay unread.
    QString waitForLine(const QString &prefix, int timeoutMs = 5000);
    // What the simulator has received so far, written on request.
    QByteArray fetchCapture(int timeoutMs = 5000);
    // The capture file as it stands (after stop() it holds everything received).
    QByteArray readCaptureFile() const;

    // SIGTERM and wait for the end; true when it ended cleanly (status 0), now or before.
    bool stop(int timeoutMs = 5000);
    // Waits for an end the simulator comes to by itself; true when it ended with status 0.
    bool waitForExit(int timeoutMs = 5000);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }
    // Everything the simulator wrote to its standard error so far.
    QString errorOutput();

    // Why the simulator failed (crash, status, no end), or empty while it has not.
    QString failure() const { return m_failure; }
    // Hands the failure to a test that caused it on purpose: it then fails no test.
    QString takeFailure();

private:
    void collectOutput();
    void collectErrors();
    // Once the process has ended: notes a faulty end and shows the standard error.
    void checkEnd();
    // Fails the running test function with the noted failure, once.
    void reportFailure();
    void showErrors(const char *why);

    QStringList m_options;
    QTemporaryDir m_dir;
    QString m_name = QStringLiteral("SIM1");
    QString m_captureFile;
    QString m_ptyPath;
    QByteArray m_partialLine;
    QStringList m_lines;
    QByteArray m_errors;
    QString m_failure;
    bool m_endChecked = false;
    bool m_killed = false;
    bool m_reported = false;
    qsizetype m_errorsShown = 0; // how much of m_errors was shown already
    // Last, so that it goes first: nothing it emits while ending can reach a member gone.
    QProcess m_process;
};
