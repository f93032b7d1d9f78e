#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class TComPort;

// A bulk transfer to the station as a small state machine driven by the event loop: each unit
// is written, then (if asked) answered, then the next unit follows. The window repaints and
// takes clicks between steps, and cancel() acts at once, also during a wait for a silent station.
// While the job runs, received bytes are the job's: the port hands them to nobody else.
class UploadJob final : public QObject
{
    Q_OBJECT

public:
    enum class Wait
    {
        Nothing, // the next unit follows the write
        OneRead, // one read of one character, whatever it returns (time-outs included)
        Xon      // reads one character at a time until XON comes (or the job is cancelled)
    };
    struct Unit
    {
        QByteArray bytes;
        Wait wait = Wait::Nothing;
        // Input that came before this unit is sent cannot be its answer: it is dropped first.
        bool freshAnswer = false;
    };
    enum class Outcome
    {
        Finished,
        Cancelled,
        Failed
    };

    UploadJob(TComPort &port, QList<Unit> units, QObject *parent = nullptr);
    ~UploadJob() override;

    // One unit a character (each byte the low eight bits of the character).
    static QList<Unit> characters(QStringView text, Wait wait = Wait::Nothing);
    // The whole text in one write.
    static QList<Unit> wholeText(QStringView text);
    // One unit a line, without line ends, each answered by XON; the last line by one read. A
    // stale XON (a doubled answer) is dropped before each line, so every line waits for its own.
    static QList<Unit> xonPacedLines(const QStringList &lines);

    void start();
    void cancel();
    bool isRunning() const { return m_running; }
    int unitCount() const { return int(m_units.size()); }
    const QByteArray &unitBytes(int index) const { return m_units.at(index).bytes; }

Q_SIGNALS:
    void unitWritten(int index);
    // The unit and its answer are done.
    void unitDone(int index);
    void finished(UploadJob::Outcome outcome, const QString &error);

private:
    void writeUnit();
    void onWriteFinished();
    void onReadFinished(const QByteArray &bytes);
    void unitComplete();
    void finish(Outcome outcome, const QString &error = {});
    void guardedStep(const std::function<void()> &step);

    TComPort &m_port;
    QList<Unit> m_units;
    int m_index = 0;
    bool m_running = false;
    bool m_cancelled = false;
    QList<QMetaObject::Connection> m_connections;
};
