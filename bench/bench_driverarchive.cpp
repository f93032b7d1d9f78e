// Unpacking the driver archive:
//  - the server's archive (8 entries, 2 KB): the time of one unpack into a fresh folder;
//  - a large archive (128 files of 1 MiB, compressible): throughput, and the largest gap between
//    the ticks of a 10 ms timer while it is unpacked beside the event loop, as the page does;
//  - refusals: an archive that declares 600 MiB, and an entry that declares 1 KiB but holds
//    64 MiB of zeros: how soon each is refused.
// Run: build/bench/bench_driverarchive
#include "benchsupport.h"
#include "support/zipbuilder.h"
#include "web/driverarchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Run
{
    double ms = 0;
    double worstTickGapMs = 0;
    DriverArchive::Result result;
};

// One unpack into a fresh folder, on a thread of its own while the event loop runs.
Run unpack(const QString &zip)
{
    QTemporaryDir target;
    Run run;
    QElapsedTimer clock;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { run.result = DriverArchive::extract(zip, target.path()); }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    const BenchSupport::EventLoopGaps gaps(10);
    clock.start();
    worker->start();
    loop.exec();
    worker->wait();
    run.ms = clock.nsecsElapsed() / 1e6;
    run.worstTickGapMs = gaps.worstMs();
    return run;
}

QByteArray compressibleMiB(QRandomGenerator &random)
{
    // Driver files are binaries and text: half random bytes, half repeated text.
    QByteArray data(1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); i += 2) {
        data[i] = char(random.bounded(256));
        data[i + 1] = "DriverInstallTool"[(i / 2) % 17];
    }
    return data;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;

    const QString server = QStringLiteral(KORVANT_BINARY_DIR "/webroot/update/USBDrivers.zip");
    std::vector<double> small;
    for (int i = 0; i < 50; ++i) {
        const Run run = unpack(server);
        if (!run.result.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(run.result.error));
            return 1;
        }
        small.push_back(run.ms);
    }
    std::printf("server archive (8 entries, %lld bytes): median %.2f ms over 50 unpacks\n",
                static_cast<long long>(QFileInfo(server).size()),
                BenchSupport::spread(small).median);

    QRandomGenerator random(7);
    QList<ZipEntry> files;
    for (int i = 0; i < 128; ++i)
        files.append(zipFile("USBDrivers/x64/part" + QByteArray::number(i) + ".bin",
                             compressibleMiB(random)));
    const QString large = work.filePath(u"large.zip"_s);
    if (!writeZip(large, files))
        return 1;
    files.clear();
    for (int i = 0; i < 3; ++i) {
        const Run run = unpack(large);
        std::printf("128 MiB in 128 files (archive %lld MB): %.0f ms, %.0f MB/s, worst tick gap "
                    "%.1f ms, %s\n",
                    static_cast<long long>(QFileInfo(large).size() / 1000000), run.ms,
                    run.result.bytes / 1e3 / run.ms, run.worstTickGapMs,
                    run.result.ok ? "unpacked" : qPrintable(run.result.error));
    }

    const QString declared = work.filePath(u"declared.zip"_s);
    if (!writeZip(declared, {zipFile("big", QByteArray(1000, 'x'))}) ||
        !patchDeclaredSize(declared, "big", 600u * 1024 * 1024))
        return 1;
    const Run declaredRun = unpack(declared);
    std::printf("declares 600 MiB: refused after %.2f ms (%s)\n", declaredRun.ms,
                qPrintable(declaredRun.result.error));

    const QString lying = work.filePath(u"lying.zip"_s);
    if (!writeZip(lying, {zipFile("big", QByteArray(64 * 1024 * 1024, 0))}) ||
        !patchDeclaredSize(lying, "big", 1024))
        return 1;
    const Run lyingRun = unpack(lying);
    std::printf("declares 1 KiB, holds 64 MiB: refused after %.2f ms (%s)\n", lyingRun.ms,
                qPrintable(lyingRun.result.error));
    return 0;
}
