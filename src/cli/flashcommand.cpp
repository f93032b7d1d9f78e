#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/flashrun.h"
#include "cli/output.h"
#include "cli/progressbar.h"
#include "cli/stationport.h"
#include "firmware/firmwareupload.h"
#include "firmware/intelhex.h"
#include "link/comport.h"
#include "link/memoryimage.h"
#include "platform/korvanterror.h"
#include "platform/textencoding.h"

#include <QElapsedTimer>

using namespace Qt::Literals::StringLiterals;
using FirmwareUpload::Mode;

namespace Cli {

namespace {

constexpr double DefaultXonTimeoutSeconds = 10;
constexpr double MaxXonTimeoutSeconds = 3600;

struct FlashOptions
{
    FirmwareUpload::Options wire;
    int xonTimeoutMs = 0;
};

void addFlashOptions(Arguments &args)
{
    StationPort::addOptions(args);
    args.addOption(QCommandLineOption(
        u"mode"_s,
        u"direct (default): line by line, each answered by XON (the station's own USB chip); "
        "direct-comm: the same through a commercial USB/UART converter; standard: character "
        "by character."_s,
        u"MODE"_s));
    args.addOption(QCommandLineOption(
        u"special-read"_s, u"Standard mode: read one character back after each character sent."_s));
    args.addOption(QCommandLineOption(
        u"whole"_s, u"Standard mode: the whole text in one write (hardware flow control)."_s));
    args.addOption(QCommandLineOption(
        u"xon-timeout"_s,
        u"Direct modes: give up when the boot loader sends no XON for this many seconds "
        "(default 10)."_s,
        u"S"_s));
    args.addPositional(u"FILE.hex"_s, u"The firmware file."_s);
}

FlashOptions flashOptions(const Arguments &args)
{
    FlashOptions options;
    const QString mode = args.choice(u"mode"_s, {u"direct"_s, u"direct-comm"_s, u"standard"_s});
    options.wire.mode = mode == u"standard"_s      ? Mode::Standard
                        : mode == u"direct-comm"_s ? Mode::DirectComm
                                                   : Mode::Direct;
    options.wire.specialRead = args.isSet(u"special-read"_s);
    options.wire.clearToSend = args.isSet(u"whole"_s);
    const bool standardOnly = options.wire.specialRead || options.wire.clearToSend;
    if (standardOnly && options.wire.mode != Mode::Standard)
        args.fail(u"--special-read and --whole go with --mode standard"_s);
    if (options.wire.specialRead && options.wire.clearToSend)
        args.fail(u"--special-read and --whole exclude each other"_s);
    double seconds = DefaultXonTimeoutSeconds;
    if (args.isSet(u"xon-timeout"_s)) {
        bool ok = false;
        seconds = args.value(u"xon-timeout"_s).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > MaxXonTimeoutSeconds)
            args.fail(u"--xon-timeout needs a number of seconds above 0 and up to %1, not \"%2\""_s
                          .arg(MaxXonTimeoutSeconds)
                          .arg(args.value(u"xon-timeout"_s)));
    }
    options.xonTimeoutMs = qMax(1, qRound(seconds * 1000));
    return options;
}

// Where a run that did not finish stopped, in the terms of its mode.
QString stoppedAt(const FlashRun::Result &result, Mode mode, const QStringList &lines)
{
    if (mode == Mode::Standard || result.unit < 0 || result.unit >= lines.size())
        return u"after character %1"_s.arg(result.unit + 1);
    return u"at line %1 (%2)"_s.arg(result.unit + 1).arg(lines.at(result.unit));
}

} // namespace

int runFlash(const QString &command, const QStringList &arguments)
{
    Arguments args(command,
                   u"Uploads a firmware file to the station's boot loader with the same bytes "
                   "on the wire as the Firmware Upgrade page, and prints the page's Start and "
                   "End lines. The file is read as the page reads it (byte-order marks, any "
                   "line ends). A progress bar shows on standard error when it is a terminal."_s);
    addFlashOptions(args);
    if (!args.parse(arguments))
        return Success;
    const FlashOptions options = flashOptions(args);
    const StationPort::Choice choice = StationPort::chosen(args);
    const QString path = args.positional(0);

    const QString text = TextEncoding::readTextFile(path);
    const QStringList lines = MemoryImage::lines(text);
    const IntelHex::CheckResult check = IntelHex::check(lines);
    if (!check.ok) {
        Output::error(u"%1: warning: \"%2\" is not a valid Intel HEX file; it is uploaded as it "
                      "stands. %3"_s.arg(ToolName, path, check.message()));
    }

    TComPort port;
    StationPort::open(port, choice);
    const QString baud = StationPort::baudName(port);
    FlashRun run(port, FirmwareUpload::units(options.wire, text, lines), options.xonTimeoutMs);
    ProgressBar bar(run.totalBytes(), Output::errorIsTerminal());
    QElapsedTimer clock;
    clock.start();
    const bool standard = options.wire.mode == Mode::Standard;
    if (standard) {
        Output::line(FirmwareUpload::startLine(clock.elapsed(), baud));
        Output::flush();
    }
    const FlashRun::Result result = run.run([&bar](qint64 done) { bar.update(done); });
    bar.end();

    switch (result.end) {
    case FlashRun::End::Finished:
        break;
    case FlashRun::End::Failed:
        throw KorvantError(result.error);
    case FlashRun::End::Silent:
        throw KorvantError(u"the boot loader sent no XON for %1 s; the upload stopped %2"_s
                               .arg(double(options.xonTimeoutMs) / 1000.0)
                               .arg(stoppedAt(result, options.wire.mode, lines)));
    case FlashRun::End::Interrupted:
        throw KorvantError(u"interrupted; the upload stopped %1"_s.arg(
            stoppedAt(result, options.wire.mode, lines)));
    }
    if (standard) {
        Output::line(FirmwareUpload::endLine(clock.elapsed(), baud));
    } else {
        for (const QString &line :
             FirmwareUpload::directSummary(options.wire.mode, clock.elapsed(), baud))
            Output::line(line);
    }
    return Success;
}

} // namespace Cli
