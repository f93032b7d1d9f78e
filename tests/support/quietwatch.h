#pragma once

#include "link/comport.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>

// For checks that something does NOT happen. Such a check means something only if it watches
// long enough for the thing to have happened: several frame times of the bytes that would come
// on the line, or several periods of the time-out or clock that would bring it. The figures
// come from the test's own baud rates and time-outs, so each watch shows its reason. A watch
// keeps the event loop running and ends as soon as what it watches breaks.
namespace QuietWatch {

// One byte at 8N1: start bit, eight data bits, stop bit.
inline constexpr int BitsPerByte = 10;
// How many of the periods in question a watch lasts.
inline constexpr int Periods = 3;
// Shorter watches would measure the scheduler, the pseudo-terminal and the converter's latency
// under load rather than the program.
inline constexpr int FloorMs = 300;

// Milliseconds `bytes` occupy the line at `baud`, rounded up.
constexpr int lineMs(qint64 bytes, int baud)
{
    return int((bytes * BitsPerByte * 1000 + baud - 1) / baud);
}

// A watch over several line times of `bytes` at `baud`: the unit that would come (a packet,
// an upload line).
constexpr int overLineTimes(qint64 bytes, int baud)
{
    return std::max(FloorMs, Periods * lineMs(bytes, baud));
}

// A watch over several periods of a time-out or clock in force.
constexpr int overPeriods(int periodMs)
{
    return std::max(FloorMs, Periods * periodMs);
}

// Runs the event loop for ms; false as soon as holds() does not.
inline bool holdsFor(int ms, const std::function<bool()> &holds)
{
    const QDeadlineTimer deadline(ms);
    while (holds()) {
        if (deadline.hasExpired())
            return true;
        QTest::qWait(int(std::clamp<qint64>(deadline.remainingTime(), 1, 10)));
    }
    return false;
}

// The port's wait for one character when nothing comes.
inline int oneCharacterReadMs(const TComPort &port)
{
    return port.timeouts().readTotalMultiplier + port.timeouts().readTotalConstant;
}

// Waits until `count` reads of the port have ended with nothing, each a read time-out gone by
// without an answer; false when that took far longer than the time-outs say.
inline bool readTimeOutsPass(TComPort &port, int count)
{
    QSignalSpy reads(&port, &TComPort::readFinished);
    const QDeadlineTimer deadline(count * oneCharacterReadMs(port) * 4 + 5000);
    qsizetype seen = 0;
    int empty = 0;
    while (empty < count) {
        if (seen == reads.size() && !reads.wait(int(std::max<qint64>(1, deadline.remainingTime()))))
            return false;
        for (; seen < reads.size(); ++seen)
            empty += reads.at(seen).at(0).toByteArray().isEmpty() ? 1 : 0;
        if (empty < count && deadline.hasExpired())
            return false;
    }
    return true;
}

} // namespace QuietWatch
