#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// What the benchmarks share: a summary of their samples, a settings store of their own so a run
// never touches the user's settings, a bounded wait, and the firmware file they send.
namespace BenchSupport {

struct Spread
{
    double min = 0;
    double median = 0;
    double p95 = 0;
    double max = 0;
};

inline Spread spread(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        return samples[size_t(q * double(samples.size() - 1))];
    };
    return {samples.front(), at(0.5), at(0.95), samples.back()};
}

// Points XDG_CONFIG_HOME at configHome and writes the program's settings file there.
inline bool useSettings(const QString &configHome, const QJsonObject &values)
{
    qputenv("XDG_CONFIG_HOME", configHome.toUtf8());
    QDir().mkpath(configHome + QStringLiteral("/Quendrel"));
    QFile store(configHome + QStringLiteral("/Quendrel/Korvant.json"));
    return store.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           store.write(QJsonDocument(values).toJson()) > 0;
}

// Runs the event loop until done() holds; false if it did not within timeoutMs.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

struct Firmware
{
    QString path;
    QByteArray hex; // empty if the file cannot be read
};

// The upload benchmarks' firmware file: the path given, or the largest file the build assembles
// for the local web server. Says which file and how large.
inline Firmware firmwareFile(int argc, char *argv[])
{
    Firmware firmware;
    firmware.path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                             : QStringLiteral(KORVANT_BINARY_DIR
                                              "/webroot/update/Korvant_PatternTable_301e.hex");
    QFile file(firmware.path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(firmware.path));
        return firmware;
    }
    firmware.hex = file.readAll();
    std::printf("file %s: %lld bytes, %lld lines\n",
                qPrintable(QFileInfo(firmware.path).fileName()),
                static_cast<long long>(firmware.hex.size()),
                static_cast<long long>(firmware.hex.count('\n')));
    return firmware;
}

// Seconds the line needs for a firmware upload, 10 bits a byte: the XON-paced modes send no
// line ends and get one XON back a line; with the echo every character comes back.
inline double uploadLineSeconds(const QByteArray &hex, bool xonPaced, bool echoed, int baud)
{
    const qsizetype lines = hex.count('\n');
    qsizetype bytes = hex.size();
    if (xonPaced)
        bytes = hex.size() - 2 * lines + lines;
    else if (echoed)
        bytes = 2 * hex.size();
    return double(bytes) * 10.0 / baud;
}

// The longest time the event loop went without running a timer of the given interval, from
// construction on: how long the window would have been frozen meanwhile.
class EventLoopGaps final
{
public:
    explicit EventLoopGaps(int intervalMs)
    {
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] {
            m_worstMs = std::max(m_worstMs, double(m_sinceTick.nsecsElapsed()) / 1e6);
            m_sinceTick.restart();
        });
        m_ticker.start(intervalMs);
        m_sinceTick.start();
    }
    Q_DISABLE_COPY_MOVE(EventLoopGaps)

    double worstMs() const { return m_worstMs; }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    double m_worstMs = 0;
};

} // namespace BenchSupport
