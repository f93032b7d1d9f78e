// Firmware upload speed from the real window to the station simulator in boot-loader mode, in
// every mode, on every line of BenchSupport::uploadLines(): the fraction of the physical limit of
// that mode (the line model's), our own time beyond it per line and per character, and the
// longest gap of the event loop meanwhile.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_firmware [hex file]
// (default: the largest firmware file the build assembles for the local web server)
#include "firmware/firmwarepage.h"
#include "shell/commainform.h"
#include "uploadbench.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using BenchSupport::UploadMode;

namespace {

// An upload of a mode whose limit is longer is cut to its leading lines.
constexpr double MaxLimitSeconds = 12.5;

void check(TfKorvant &w, const char *name, bool on)
{
    w.findChild<QCheckBox *>(QString::fromLatin1(name))->setChecked(on);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const BenchSupport::Firmware firmware = BenchSupport::firmwareFile(argc, argv);
    if (firmware.hex.isEmpty())
        return 1;
    return UploadBench::runAll(
        firmware.hex, MaxLimitSeconds,
        [](const BenchSupport::UploadLine &line, UploadMode mode,
           const BenchSupport::UploadFile &file,
           SimulatorProcess &sim) -> std::optional<UploadBench::Run> {
            QTemporaryDir home;
            if (!BenchSupport::useSettings(home.path(), QJsonObject{{u"Port"_s, sim.ptyPath()}}))
                return std::nullopt;

            TfKorvant w;
            w.port().setBaudRate(PortSettings::baudRateFromName(QString::number(line.baud)));
            w.Button_OpenClick();
            check(w, "cbdirectUpload", mode == UploadMode::Direct);
            check(w, "cbDirectUploadComm", mode == UploadMode::DirectComm);
            check(w, "cbClearToSend", mode == UploadMode::WholeText);
            check(w, "cbSpecialRead", mode == UploadMode::SpecialRead);
            check(w, "cbShowFeedback", true);
            auto *page = w.findChild<FirmwarePage *>();
            page->loadHexFile(file.path);

            const BenchSupport::EventLoopGaps gaps(1);
            const qint64 startNs = monotonicNs();
            page->sbTransmitClick();
            while (page->isUploading())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            // The page is done once it has the last answer or the system took the last byte;
            // the line once the station has read the last byte.
            const double pageDone = double(monotonicNs() - startNs) / 1e9;
            const double longestGapMs = gaps.worstMs();
            return UploadBench::Run{startNs, pageDone, UploadBench::lastByteReceivedNs(sim),
                                    ", longest gap " + QByteArray::number(longestGapMs, 'f', 0) +
                                        " ms"};
        });
}
