// The command-line tool's firmware upload against the station simulator in boot-loader mode, in
// every mode and on every line of BenchSupport::uploadLines(), with the measure of
// bench_firmware (fraction of the physical limit, our own time per line and per character),
// and the tool's own start-up and exit time.
// Run: build/bench/bench_cli [hex file]
// (default: the largest firmware file the build assembles for the local web server)
#include "uploadbench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using BenchSupport::UploadMode;

namespace {

// An upload of a mode whose limit is longer is cut to its leading lines.
constexpr double MaxLimitSeconds = 12.5;

QStringList flashOptions(UploadMode mode)
{
    switch (mode) {
    case UploadMode::Standard:
        return {u"--mode"_s, u"standard"_s};
    case UploadMode::SpecialRead:
        return {u"--mode"_s, u"standard"_s, u"--special-read"_s};
    case UploadMode::WholeText:
        return {u"--mode"_s, u"standard"_s, u"--whole"_s};
    case UploadMode::Direct:
        return {u"--mode"_s, u"direct"_s};
    case UploadMode::DirectComm:
        return {u"--mode"_s, u"direct-comm"_s};
    }
    return {};
}

void startUpAndExit()
{
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        cli.start(QStringLiteral(KORVANT_CLI), {u"cv"_s, u"sequence"_s, u"1-5"_s});
        cli.waitForFinished(10000);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const BenchSupport::Spread p = BenchSupport::spread(ms);
    std::printf("start-up to exit (cv sequence): median %.1f ms, min %.1f ms, max %.1f ms\n",
                p.median, p.min, p.max);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchSupport::Firmware firmware = BenchSupport::firmwareFile(argc, argv);
    if (firmware.hex.isEmpty())
        return 1;
    startUpAndExit();
    return UploadBench::runAll(
        firmware.hex, MaxLimitSeconds,
        [](const BenchSupport::UploadLine &line, UploadMode mode,
           const BenchSupport::UploadFile &file,
           SimulatorProcess &sim) -> std::optional<UploadBench::Run> {
            const qint64 startNs = monotonicNs();
            QProcess cli;
            cli.start(QStringLiteral(KORVANT_CLI),
                      QStringList{u"flash"_s, u"--port"_s, sim.ptyPath(), u"--baud"_s,
                                  QString::number(line.baud)} +
                          flashOptions(mode) + QStringList{file.path});
            if (!cli.waitForFinished(600000) || cli.exitCode() != 0)
                return std::nullopt;
            const double exited = double(monotonicNs() - startNs) / 1e9;
            return UploadBench::Run{startNs, exited, UploadBench::lastByteReceivedNs(sim), {}};
        });
}
