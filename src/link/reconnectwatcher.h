#pragma once

#include <QObject>
#include <QTimer>

// Watches for a port that went away to come back: the same name again, or for a USB converter
// the same serial number under another name. It only tells; reconnecting is the user's choice.
class ReconnectWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit ReconnectWatcher(QObject *parent = nullptr);

    // The serial number of the converter behind a port, empty when it has none (or is no USB
    // converter); taken while the port is there, so it can be found again after a replug.
    static QString serialNumberOf(const QString &portName);

    void watch(const QString &portName, const QString &serialNumber);
    void stop();
    bool isWatching() const { return m_timer.isActive(); }

Q_SIGNALS:
    // The port is there again, under this name.
    void portBack(const QString &portName);

private:
    void look();

    QTimer m_timer;
    QString m_portName;
    QString m_serialNumber;
};
