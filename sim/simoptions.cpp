#include "simoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Description = uR"(Stands in for the Korvant station on a pseudo-terminal.

Prints the pseudo-terminal's path as its first line on standard output and advertises it as
a link named after the simulator in $XDG_RUNTIME_DIR/korvant/ports (or
/tmp/korvant-<uid>/ports), so the program's port list shows it. Ends on SIGINT or SIGTERM,
removing the link and writing the capture.

Station mode (default): keeps four loco slots and answers every instruction (":S", ":D",
":H", ":F", ":E000") with a status packet "$" + 28 hex digits + "%"; ":X100" gets no answer.
A memory image text of 16 lines that starts with the turnout signature is stored as the
turnout table; any other is read as a CV sequence and answered by one report per listed CV,
"$Cnn=vv%", nn the CV and vv the simulated decoder's value, or with --cv-line-end
"$Cnn=vv" CR LF "%" (10 characters).

Boot-loader mode (--bootloader): answers XON (0x11) when a whole Intel HEX record has arrived
(lines need no terminator) and --write-time has passed, or with --special-read echoes each
character --turnaround after it arrived.

The line (--baud, --frame): each character takes its frame time on its own direction (start bit,
data bits, parity bit, stop bits: 10 bit times for 8N1), one after the other, and the other side
has it only once its last bit is over. Nothing bursts and an idle line saves nothing up. What the
program writes waits in the pseudo-terminal meanwhile, as in a real port's output queue. A frame
of fewer than 8 data bits drops the top bits of every byte, both ways. --latency holds what the
station sends as a USB converter does: a byte waits until the converter's latency timer, started
by the first byte it holds, runs out, or until 62 bytes fill a USB packet. FTDI converters wait
16 ms, or 1 ms in their low-latency mode (which the program asks for on a real port).

Defaults: no line (--baud 0: bytes pass at once), 8N1, --latency 0, --write-time 0,
--turnaround 0, so the test suite runs fast. Realistic values for a station: --baud 57600
--latency 1 (16 where the converter cannot be switched), --write-time 5 (a PIC erases and writes
a flash row in about 2-5 ms), --turnaround 20 (a boot loader polling its UART).

Commands on standard input, one a line, each acknowledged on standard output:
  turnouts   send the turnout table as 16 packets "$" + line + CR LF + "%"
  status     send a status packet
  capture    write the capture file now ("captured N")
  await N    say "awaiting N", then "received N at T" once N bytes have come in, T the end of
             the last one's frame in nanoseconds on the monotonic clock
  quit       end the simulator
  help       list these commands)"_s;

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "korvant-station-sim: %s\n", qPrintable(message));
    std::exit(2);
}

int number(const QCommandLineParser &parser, const QString &option, int low, int high)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high)
        fail(u"--%1 takes a number from %2 to %3"_s.arg(option).arg(low).arg(high));
    return value;
}

std::array<int, 4> fourNumbers(const QString &text, const QString &option, bool (*allowed)(int))
{
    const QStringList parts = text.split(u',');
    std::array<int, 4> values{};
    if (parts.size() != 4)
        fail(u"--%1 takes four numbers separated by commas"_s.arg(option));
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || !allowed(values[i]))
            fail(u"--%1: \"%2\" is not allowed"_s.arg(option, parts[i]));
    }
    return values;
}

QMap<int, int> cvValues(const QStringList &texts)
{
    QMap<int, int> values;
    for (const QString &text : texts) {
        const QStringList parts = text.split(u'=');
        bool cvOk = false;
        bool valueOk = false;
        const int cv = parts.value(0).toInt(&cvOk);
        const int value = parts.value(1).toInt(&valueOk);
        if (parts.size() != 2 || !cvOk || !valueOk || cv < 1 || cv > 255 || value < 0 ||
            value > 255)
            fail(u"--cv takes CV=VALUE, CV 1-255 and VALUE 0-255, not \"%1\""_s.arg(text));
        values.insert(cv, value);
    }
    return values;
}

} // namespace

SimOptions parseSimOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    parser.addHelpOption();
    parser.addOptions({
        {u"name"_s, u"Name the port is advertised under (default SIM1)."_s, u"name"_s, u"SIM1"_s},
        {u"baud"_s, u"Line speed in bits a second; 0 (default): no line, bytes pass at once."_s,
         u"rate"_s, u"0"_s},
        {u"frame"_s,
         u"Character frame: data bits 5-8, parity N, E, O, M or S, stop bits 1, 1.5 or 2 "
         "(default 8N1, 10 bit times a character)."_s,
         u"shape"_s, u"8N1"_s},
        {u"latency"_s,
         u"USB converter: hold bytes for the program this many milliseconds after the first, "
         "or until 62 are held (default 0: none; FTDI 16, low-latency mode 1)."_s,
         u"ms"_s, u"0"_s},
        {u"capture"_s, u"Write every byte received to this file at exit and on 'capture'."_s,
         u"file"_s},
        {u"bootloader"_s, u"Act as the boot loader instead of the station."_s},
        {u"special-read"_s, u"Boot loader: answer each character with its echo, not XON."_s},
        {u"addresses"_s, u"Loco addresses of the four slots (default 3,4,5,6)."_s, u"a,b,c,d"_s},
        {u"speed-steps"_s, u"Speed slider maximum of each slot: 14, 31 or 128 (default 31)."_s,
         u"a,b,c,d"_s},
        {u"cv"_s, u"Value of a CV on the simulated decoder; may be repeated."_s, u"cv=value"_s},
        {u"turnouts"_s, u"Start with the turnout table in this memory image text file."_s,
         u"file"_s},
        {u"send-turnouts-after-upload"_s,
         u"Send the turnout table back as soon as an upload has been stored."_s},
        {u"cv-line-end"_s,
         u"Answer CV reports with CR LF before \"%\" (10 characters), not the short form."_s},
        {u"chunk"_s, u"Fault: write in chunks of this many bytes, with a gap between them."_s,
         u"bytes"_s, u"0"_s},
        {u"chunk-gap"_s, u"Gap between chunks in milliseconds (default 2)."_s, u"ms"_s, u"2"_s},
        {u"noise"_s, u"Fault: this many random bytes (never \"$\") before every packet."_s,
         u"bytes"_s, u"0"_s},
        {u"malformed"_s, u"Fault: every n-th packet has its second character made \"G\"."_s, u"n"_s,
         u"0"_s},
        {u"silent"_s, u"Fault: the boot loader never answers."_s},
        {u"stray"_s, u"Fault: this many \"#\" characters before every XON."_s, u"count"_s, u"0"_s},
        {u"double-xon"_s, u"Fault: the boot loader answers every record with XON twice."_s},
        {u"noise-for-xon"_s,
         u"Fault: the boot loader answers every record with this many random bytes, never XON."_s,
         u"bytes"_s, u"0"_s},
        {{u"write-time"_s, u"xon-delay"_s},
         u"Boot loader: write a record for this many milliseconds before answering XON (default "
         "0); a record that arrives before the answer is reported as \"overrun\"."_s,
         u"ms"_s,
         u"0"_s},
        {u"turnaround"_s,
         u"Boot loader, special read: start each echo this many microseconds after its character "
         "arrived (default 0)."_s,
         u"us"_s, u"0"_s},
        {u"hangup-after"_s, u"Fault: hang up after receiving this many bytes."_s, u"bytes"_s},
        {u"seed"_s, u"Seed of the noise (default 1)."_s, u"number"_s, u"1"_s},
    });
    parser.process(arguments);
    if (!parser.positionalArguments().isEmpty())
        fail(u"unexpected argument \"%1\"; see --help"_s.arg(parser.positionalArguments().first()));

    SimOptions options;
    options.name = parser.value(u"name"_s);
    options.baud = number(parser, u"baud"_s, 0, 4000000);
    const std::optional<FrameShape> frame = FrameShape::parse(parser.value(u"frame"_s));
    if (!frame)
        fail(u"--frame takes a shape such as 8N1, 7E2 or 8O1.5, not \"%1\""_s.arg(
            parser.value(u"frame"_s)));
    options.frame = *frame;
    options.latencyMs = number(parser, u"latency"_s, 0, 1000);
    options.captureFile = parser.value(u"capture"_s);
    options.bootLoader = parser.isSet(u"bootloader"_s);
    options.specialRead = parser.isSet(u"special-read"_s);
    options.silentBootLoader = parser.isSet(u"silent"_s);
    options.strayBeforeXon = number(parser, u"stray"_s, 0, 1000);
    options.doubleXon = parser.isSet(u"double-xon"_s);
    options.noiseForXon = number(parser, u"noise-for-xon"_s, 0, 65536);
    options.writeTimeMs = number(parser, u"write-time"_s, 0, 10000);
    options.turnaroundUs = number(parser, u"turnaround"_s, 0, 10000000);
    if (parser.isSet(u"addresses"_s))
        options.addresses = fourNumbers(parser.value(u"addresses"_s), u"addresses"_s,
                                        [](int v) { return v >= 0 && v <= 255; });
    if (parser.isSet(u"speed-steps"_s))
        options.sliderMaxima = fourNumbers(parser.value(u"speed-steps"_s), u"speed-steps"_s,
                                           [](int v) { return v == 14 || v == 31 || v == 128; });
    options.cvValues = cvValues(parser.values(u"cv"_s));
    options.turnoutsFile = parser.value(u"turnouts"_s);
    options.sendTurnoutsAfterUpload = parser.isSet(u"send-turnouts-after-upload"_s);
    options.cvReportsWithLineEnd = parser.isSet(u"cv-line-end"_s);
    options.chunkSize = number(parser, u"chunk"_s, 0, 65536);
    options.chunkGapMs = number(parser, u"chunk-gap"_s, 0, 10000);
    options.noiseBytes = number(parser, u"noise"_s, 0, 65536);
    options.malformedEvery = number(parser, u"malformed"_s, 0, 1000000);
    if (parser.isSet(u"hangup-after"_s))
        options.hangUpAfter = number(parser, u"hangup-after"_s, 0, std::numeric_limits<int>::max());
    options.seed = quint32(number(parser, u"seed"_s, 0, std::numeric_limits<int>::max()));
    return options;
}
