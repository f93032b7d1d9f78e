#pragma once

#include <QString>
#include <functional>
#include <optional>

// A USB converter's driver holds received bytes back for its latency timer (16 ms on FTDI
// converters) unless asked for low latency. While our port is open we ask; on closing, the
// driver's flags go back as they were. A driver or device without the request (a
// pseudo-terminal, many drivers) is left as it is, silently.
class LowLatency final
{
public:
    // The driver's serial flags of an open file descriptor: get fills flags and gives true,
    // set takes them and gives true; false where the driver has none. The real ones use
    // TIOCGSERIAL and TIOCSSERIAL.
    struct Driver
    {
        std::function<bool(int fd, int &flags)> getFlags;
        std::function<bool(int fd, int flags)> setFlags;
    };
    static Driver systemDriver();

    explicit LowLatency(Driver driver = systemDriver()) : m_driver(std::move(driver)) {}

    // Asks for low latency on fd; true when the driver took it.
    bool request(int fd);
    // Puts back the flags request() found; nothing if it changed none.
    void restore(int fd);
    bool active() const { return m_previousFlags.has_value(); }

    // The converter's latency timer in ms as the system shows it (sysfs "latency_timer" of a
    // USB serial device such as ttyUSB0); nothing where there is none.
    static std::optional<int> latencyTimerMs(const QString &device,
                                             const QString &sysRoot = QStringLiteral("/sys"));

private:
    Driver m_driver;
    std::optional<int> m_previousFlags;
};
