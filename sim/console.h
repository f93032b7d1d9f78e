#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// The simulator's terminal: commands one a line on standard input, and one line of news on
// standard output for each thing a watcher may wait for.
class Console final : public QObject
{
    Q_OBJECT

public:
    explicit Console(QObject *parent = nullptr);

    static void say(const QString &line);
    static QString helpText();

Q_SIGNALS:
    void sendTurnouts();
    void sendStatus();
    void capture();
    // Say "received N at T" once N bytes have come in, T their last bit's end on the
    // monotonic clock in nanoseconds: a benchmark's exact "line done" without polling.
    void awaitReceived(qint64 bytes);
    void quit();

private:
    void readInput();
    void execute(const QString &command);

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
};
