#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The built korvant-station-sim, run for one test. It gets a private XDG_RUNTIME_DIR (so
// parallel tests never share advertised names) and a capture file unless the options name one.
// Every wait is bounded.
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

    // SIGTERM and wait for the end; true when it ended by itself cleanly.
    bool stop(int timeoutMs = 5000);
    bool waitForExit(int timeoutMs = 5000);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    QString errorOutput();

private:
    void collectOutput();

    QStringList m_options;
    QTemporaryDir m_dir;
    QString m_name = QStringLiteral("SIM1");
    QString m_captureFile;
    QString m_ptyPath;
    QProcess m_process;
    QByteArray m_partialLine;
    QStringList m_lines;
};
