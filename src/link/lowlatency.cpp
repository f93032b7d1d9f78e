#include "link/lowlatency.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

LowLatency::Driver LowLatency::systemDriver()
{
#ifdef Q_OS_LINUX
    return {[](int fd, int &flags) {
                serial_struct info{};
                if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
                    return false;
                flags = info.flags;
                return true;
            },
            [](int fd, int flags) {
                serial_struct info{};
                if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
                    return false;
                info.flags = flags;
                return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
            }};
#else
    return {[](int, int &) { return false; },
            [](int, int) {
                return false;
            }};
#endif
}

bool LowLatency::request(int fd)
{
    m_previousFlags.reset();
#ifdef Q_OS_LINUX
    constexpr int lowLatency = ASYNC_LOW_LATENCY;
#else
    constexpr int lowLatency = 0;
#endif
    int flags = 0;
    if (lowLatency == 0 || fd < 0 || !m_driver.getFlags(fd, flags))
        return false;
    if ((flags & lowLatency) != 0)
        return true; // asked for already: nothing of ours to put back
    if (!m_driver.setFlags(fd, flags | lowLatency))
        return false;
    m_previousFlags = flags;
    return true;
}

void LowLatency::restore(int fd)
{
    if (m_previousFlags && fd >= 0)
        m_driver.setFlags(fd, *m_previousFlags);
    m_previousFlags.reset();
}

std::optional<int> LowLatency::latencyTimerMs(const QString &device, const QString &sysRoot)
{
    const QString tty = QFileInfo(device).fileName();
    QFile timer(sysRoot + QStringLiteral("/bus/usb-serial/devices/") + tty +
                QStringLiteral("/latency_timer"));
    if (tty.isEmpty() || !timer.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const int ms = timer.read(16).trimmed().toInt(&ok);
    return ok && ms >= 0 ? std::optional<int>(ms) : std::nullopt;
}
