#pragma once

#include "linemodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// What the benchmarks share: a summary of their samples, a settings store of their own so a run
// never touches the user's settings, a bounded wait, the firmware file they send and the
// uploads' figures against the line's physical limits.
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
    // Sleeps between events instead of spinning: a spinning wait would take a core from the
    // program and the simulator it measures. The timer looks at done() at least every ms.
    QTimer wake;
    wake.start(1);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
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

// The firmware upload modes, as both the window and the command-line tool offer them.
enum class UploadMode
{
    Standard,
    SpecialRead,
    WholeText,
    Direct,
    DirectComm
};

inline const char *modeName(UploadMode mode)
{
    switch (mode) {
    case UploadMode::Standard:
        return "standard";
    case UploadMode::SpecialRead:
        return "standard-special-read";
    case UploadMode::WholeText:
        return "standard-whole-text";
    case UploadMode::Direct:
        return "direct";
    case UploadMode::DirectComm:
        return "direct-comm";
    }
    return "";
}

inline bool linePaced(UploadMode mode)
{
    return mode == UploadMode::Direct || mode == UploadMode::DirectComm;
}

// The line and station an upload is measured on: the simulator's options and the line model
// they stand for, so the limit is worked out from the same figures the simulator keeps to.
struct UploadLine
{
    int baud = 57600;
    int latencyMs = 1;
    int writeMs = 0;

    LineModel line() const { return LineModel{baud, FrameShape{}}; }
    StationTimings station() const { return {writeMs / 1000.0, 0.0, latencyMs / 1000.0}; }
    QStringList simulatorOptions(UploadMode mode) const
    {
        QStringList options{QStringLiteral("--bootloader"), QStringLiteral("--baud"),
                            QString::number(baud),          QStringLiteral("--latency"),
                            QString::number(latencyMs),     QStringLiteral("--write-time"),
                            QString::number(writeMs)};
        if (mode == UploadMode::SpecialRead)
            options << QStringLiteral("--special-read");
        return options;
    }
    // What the station receives of a text: the direct modes send no line ends.
    qint64 bytesReceived(UploadMode mode, const UploadText &text) const
    {
        return linePaced(mode) ? text.lineCharacters : text.characters;
    }
    double limitSeconds(UploadMode mode, const UploadText &text) const
    {
        switch (mode) {
        case UploadMode::SpecialRead:
            return UploadLimit::specialRead(line(), station(), text);
        case UploadMode::Direct:
        case UploadMode::DirectComm:
            return UploadLimit::direct(line(), station(), text);
        case UploadMode::Standard:
        case UploadMode::WholeText:
            break;
        }
        return UploadLimit::standard(line(), text);
    }
};

// Every line and station the upload benchmarks run on: the two usual speeds, a converter in
// its low-latency mode and in its factory setting, a boot loader that answers at once and one
// that writes a flash row first.
inline std::vector<UploadLine> uploadLines()
{
    std::vector<UploadLine> lines;
    for (int baud : {57600, 115200}) {
        for (int latencyMs : {1, 16}) {
            for (int writeMs : {0, 5})
                lines.push_back({baud, latencyMs, writeMs});
        }
    }
    return lines;
}

// The leading lines of a firmware text whose upload limit stays within maxSeconds, ended by
// the end-of-file record so that it is still a whole Intel HEX file. A mode slowed by the
// converter's latency would take many minutes over the whole file, and its figures per line
// and per character need no more than a few hundred lines.
inline QByteArray leadingLines(const QByteArray &hex, const UploadLine &line, UploadMode mode,
                               double maxSeconds)
{
    static const QByteArray endOfFile = ":00000001FF\r\n";
    qsizetype end = 0;
    for (;;) {
        const qsizetype next = hex.indexOf('\n', end);
        const qsizetype lineEnd = next < 0 ? hex.size() : next + 1;
        if (lineEnd == end)
            break;
        const QByteArray sent =
            hex.left(lineEnd) + (lineEnd < hex.size() ? endOfFile : QByteArray());
        if (end > 0 && line.limitSeconds(mode, UploadText::of(sent)) > maxSeconds)
            break;
        end = lineEnd;
    }
    return end < hex.size() ? hex.left(end) + endOfFile : hex;
}

// Every firmware upload mode, in the order the benchmarks report them.
inline constexpr UploadMode AllUploadModes[] = {UploadMode::Standard, UploadMode::SpecialRead,
                                                UploadMode::WholeText, UploadMode::Direct,
                                                UploadMode::DirectComm};

// The file one upload sends: leadingLines() of the firmware, written into a folder.
struct UploadFile
{
    QString path; // empty if it could not be written
    UploadText text;
};

inline UploadFile writeUploadFile(const QString &folder, const QByteArray &firmware,
                                  const UploadLine &line, UploadMode mode, double maxSeconds)
{
    const QByteArray hex = leadingLines(firmware, line, mode, maxSeconds);
    UploadFile file{folder + QStringLiteral("/sent.hex"), UploadText::of(hex)};
    QFile out(file.path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(hex) != hex.size())
        file.path.clear();
    return file;
}

// What the simulator says once the station has the awaited bytes: "received N at T", T the
// end of the last byte's frame on the monotonic clock. 0 when it did not say so in time.
inline qint64 receivedAtNs(const QString &news)
{
    const qsizetype at = news.indexOf(QStringLiteral(" at "));
    return at < 0 ? 0 : news.mid(at + 4).toLongLong();
}

// One upload's figures against its limit: the fraction of the limit reached (at most 1 on a
// line that keeps to its physics) and our own time beyond it, per line and per character.
inline void printUpload(const UploadLine &line, UploadMode mode, const UploadText &text,
                        double programDoneSeconds, double lineDoneSeconds, const char *extra)
{
    const double measured = std::max(programDoneSeconds, lineDoneSeconds);
    const double limit = line.limitSeconds(mode, text);
    const double overUs = (measured - limit) * 1e6;
    std::printf("%6d baud latency %2d ms write %d ms %-22s %4lld lines %5lld chars: "
                "program done %7.3f s, line done %7.3f s, limit %7.3f s, fraction %.3f, "
                "overhead %7.1f us/line %6.1f us/char%s\n",
                line.baud, line.latencyMs, line.writeMs, modeName(mode),
                static_cast<long long>(text.lines), static_cast<long long>(text.characters),
                programDoneSeconds, lineDoneSeconds, limit, limit / measured,
                overUs / double(text.lines), overUs / double(text.characters), extra);
    std::fflush(stdout);
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
