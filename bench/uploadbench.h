#pragma once

#include "benchsupport.h"
#include "support/simulatorprocess.h"

#include <QTemporaryDir>
#include <functional>

// The firmware upload benchmarks' common run: every line of uploadLines() in every mode, each
// against a station simulator of its own in boot-loader mode, measured against the line
// model's limit by the simulator's own clock for the last byte received.
namespace UploadBench {

// What the program's side of one upload reports, on the monotonic clock: when it started, how
// long it took, when the station had the last byte, and anything it adds to the figures' line.
struct Run
{
    qint64 startNs = 0;
    double programSeconds = 0;
    qint64 receivedNs = 0;
    QByteArray extra;
};

// When the simulator had the awaited bytes, by its own clock; 0 when it did not say in time.
// Asked while the program's side still holds the port, so that nothing it queued is dropped.
inline qint64 lastByteReceivedNs(SimulatorProcess &sim)
{
    return BenchSupport::receivedAtNs(sim.waitForLine(QStringLiteral("received"), 600000));
}

// Sends one upload of the file to the simulator and takes lastByteReceivedNs() before it lets
// the port go; nothing when the upload failed.
using Upload =
    std::function<std::optional<Run>(const BenchSupport::UploadLine &, BenchSupport::UploadMode,
                                     const BenchSupport::UploadFile &, SimulatorProcess &)>;

// Runs and prints every upload; the exit status of the benchmark (0 when all ran).
inline int runAll(const QByteArray &firmware, double maxLimitSeconds, const Upload &upload)
{
    QTemporaryDir files;
    for (const BenchSupport::UploadLine &line : BenchSupport::uploadLines()) {
        for (const BenchSupport::UploadMode mode : BenchSupport::AllUploadModes) {
            const BenchSupport::UploadFile file =
                BenchSupport::writeUploadFile(files.path(), firmware, line, mode, maxLimitSeconds);
            if (file.path.isEmpty())
                return 4;
            SimulatorProcess sim(line.simulatorOptions(mode));
            if (!sim.start())
                return 2;
            const QString await =
                QStringLiteral("await %1").arg(line.bytesReceived(mode, file.text));
            if (!sim.command(await, QStringLiteral("awaiting")))
                return 5;
            const std::optional<Run> run = upload(line, mode, file, sim);
            if (!run)
                return 3;
            if (run->receivedNs == 0)
                return 6;
            const double lineDone = double(run->receivedNs - run->startNs) / 1e9;
            const bool overrun = !sim.waitForLine(QStringLiteral("overrun"), 0).isNull();
            const QByteArray extra =
                run->extra +
                (overrun ? ", OVERRUN: a record came while the last was being written" : "");
            BenchSupport::printUpload(line, mode, file.text, run->programSeconds, lineDone,
                                      extra.constData());
        }
    }
    return 0;
}

} // namespace UploadBench
