#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP become a Qt signal, so a program without a window (the simulator,
// the command-line tool) ends through its event loop and cleans up instead of dying in a handler.
class SignalWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
