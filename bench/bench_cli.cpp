// The command-line tool's firmware upload against the station simulator pacing its line, in
// every mode, as a fraction of the physical limit (the same measure as bench_firmware for the
// window), and the tool's own start-up and exit time.
// Run: build/bench/bench_cli [hex file]
// (default: the largest firmware file the build assembles for the local web server)
#include "benchsupport.h"
#include "support/simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Mode
{
    const char *name;
    QStringList flashOptions;
    bool direct, echo;
};

double secondsOf(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
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
    const QString &hexPath = firmware.path;
    const QByteArray &hex = firmware.hex;
    startUpAndExit();

    const QList<Mode> modes{
        {"standard", {u"--mode"_s, u"standard"_s}, false, false},
        {"standard-special-read", {u"--mode"_s, u"standard"_s, u"--special-read"_s}, false, true},
        {"standard-whole-text", {u"--mode"_s, u"standard"_s, u"--whole"_s}, false, false},
        {"direct", {u"--mode"_s, u"direct"_s}, true, false},
        {"direct-comm", {u"--mode"_s, u"direct-comm"_s}, true, false}};
    for (int baud : {57600, 115200}) {
        for (const Mode &mode : modes) {
            QStringList options{u"--bootloader"_s, u"--baud"_s, QString::number(baud)};
            if (mode.echo)
                options << u"--special-read"_s;
            SimulatorProcess sim(options);
            if (!sim.start())
                return 2;
            QElapsedTimer clock;
            clock.start();
            QProcess cli;
            cli.start(QStringLiteral(KORVANT_CLI),
                      QStringList{u"flash"_s, u"--port"_s, sim.ptyPath(), u"--baud"_s,
                                  QString::number(baud)} +
                          mode.flashOptions + QStringList{hexPath});
            if (!cli.waitForFinished(600000) || cli.exitCode() != 0)
                return 3;
            const double exited = secondsOf(clock);
            const qsizetype expected = mode.direct ? hex.size() - 2 * hex.count('\n') : hex.size();
            // Each look at the capture makes the simulator write it out, which would slow its
            // pacing if done often; a tenth of a second is the measure's resolution.
            while (sim.fetchCapture().size() < expected && clock.elapsed() < 600000)
                QThread::msleep(100);
            const double seconds = secondsOf(clock);
            const double limit = BenchSupport::uploadLineSeconds(hex, mode.direct, mode.echo, baud);
            std::printf("%6d %-22s tool exited %6.2f s, line done %6.2f s, limit %6.2f s, "
                        "fraction %.3f\n",
                        baud, mode.name, exited, seconds, limit, limit / seconds);
            std::fflush(stdout);
        }
    }
    return 0;
}
