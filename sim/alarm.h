#pragma once

#include "linemodel.h"

#include <QObject>

class QSocketNotifier;

// Rings once at a point in time on the monotonic clock, to within the kernel's timer slack (tens
// of microseconds), where a QTimer only knows whole milliseconds: a character at 115200 baud
// takes 87 µs, and the line would otherwise be paced by the timer rather than the baud rate.
class Alarm final : public QObject
{
    Q_OBJECT

public:
    explicit Alarm(QObject *parent = nullptr);
    ~Alarm() override;
    Q_DISABLE_COPY_MOVE(Alarm)

    // Replaces any earlier setting; a time already past rings at once.
    void ringAt(qint64 ns);
    void cancel();
    bool isSet() const { return m_set; }

Q_SIGNALS:
    void rang();

private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    bool m_set = false;
};
