#include "alarm.h"

#include <QSocketNotifier>
#include <algorithm>
#include <sys/timerfd.h>
#include <unistd.h>

Alarm::Alarm(QObject *parent) : QObject(parent)
{
    m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        qFatal("korvant-station-sim: no timer descriptor");
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        quint64 expirations = 0;
        if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations)
            return;
        m_set = false;
        Q_EMIT rang();
    });
}

Alarm::~Alarm()
{
    delete m_notifier;
    ::close(m_fd);
}

void Alarm::ringAt(qint64 ns)
{
    // A zero time would disarm the timer; one nanosecond after boot is long past.
    ns = std::max<qint64>(ns, 1);
    itimerspec when{};
    when.it_value.tv_sec = time_t(ns / 1000000000);
    when.it_value.tv_nsec = long(ns % 1000000000);
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr);
    m_set = true;
}

void Alarm::cancel()
{
    itimerspec off{};
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &off, nullptr);
    quint64 expirations = 0;
    [[maybe_unused]] const ssize_t drained = ::read(m_fd, &expirations, sizeof expirations);
    m_set = false;
}
