#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The serial line as it really behaves, shared by the station simulator (which keeps to it)
// and the benchmarks (which measure against it). No port, no timer: plain arithmetic.
//
// Each character occupies its own frame time on its own direction: a start bit, the data bits,
// the parity bit if any and the stop bits, at the baud rate. The receiving side has a character
// only once its last bit is over. Nothing bursts, and an idle line saves nothing up.
struct FrameShape
{
    int dataBits = 8;
    char parity = 'N';    // N, E, O, M or S
    int stopHalfBits = 2; // 2: one stop bit, 3: one and a half, 4: two

    // Bit times of one character: 10 for 8N1, 11 for 8E1, 11 for 7E2.
    double bits() const;
    // "8N1", "7E2", "8N1.5"
    QString name() const;
    // The bits of a byte that the frame carries; 7 data bits drop the top one.
    quint8 dataMask() const { return quint8((1u << dataBits) - 1u); }

    // "8N1", "7E2", "8O1.5" (case does not matter); nothing for anything else.
    static std::optional<FrameShape> parse(const QString &text);
};

struct LineModel
{
    int baud = 0; // 0: no line at all, bytes pass at once
    FrameShape frame;

    // One character's time on the line in nanoseconds; 0 without a line.
    qint64 frameNs() const;
    double seconds(qint64 characters) const;
};

// The line's time base: nanoseconds on the monotonic clock, the same in every process, so the
// simulator can tell a benchmark when a byte was over the line.
qint64 monotonicNs();

// The station's own times, on top of the line's.
struct StationTimings
{
    double writeSeconds = 0;      // the boot loader writing a record before it answers XON
    double turnaroundSeconds = 0; // from a character received to the start of its echo
    double latencySeconds = 0;    // USB converter: a lone byte from the station waits this long
};

// The text a firmware upload puts on the wire, counted as the modes send it.
struct UploadText
{
    qint64 characters = 0; // the whole text with its line ends (standard modes)
    qint64 lines = 0;      // lines, each sent without its line end (direct modes)
    qint64 lineCharacters = 0;

    static UploadText of(const QByteArray &text);
};

// The shortest time each upload mode can take on that line with that station: no program can
// beat it, so a measured time divided into it is at most 1.
namespace UploadLimit {

// Standard mode, character by character or the whole text at once: the text's line time. The
// boot loader's XON answers travel the other way and cost the sender nothing.
double standard(const LineModel &line, const UploadText &text);
// Standard mode with the special read: every character goes out, is turned round, comes back
// (held by the converter like any lone byte) before the next may leave.
double specialRead(const LineModel &line, const StationTimings &station, const UploadText &text);
// Direct modes: every line goes out, is written, answered by one XON that the converter holds.
double direct(const LineModel &line, const StationTimings &station, const UploadText &text);

} // namespace UploadLimit
