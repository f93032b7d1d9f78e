// Firmware upload speed against the station simulator pacing the line, in every mode, as a
// fraction of the physical limit of that mode, and the longest gap of the event loop meanwhile.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_firmware [hex file]
// (default: the largest firmware file the build assembles for the local web server)
#include "benchsupport.h"
#include "firmware/firmwarepage.h"
#include "shell/commainform.h"
#include "support/simulatorprocess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Mode
{
    const char *name;
    bool direct, comm, whole, echo;
};

const Mode modes[] = {{"standard", false, false, false, false},
                      {"standard-special-read", false, false, false, true},
                      {"standard-whole-text", false, false, true, false},
                      {"direct", true, false, false, false},
                      {"direct-comm", false, true, false, false}};

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
    const QString &hexPath = firmware.path;
    const QByteArray &hex = firmware.hex;

    for (int baud : {57600, 115200}) {
        for (const Mode &mode : modes) {
            QStringList options{u"--bootloader"_s, u"--baud"_s, QString::number(baud)};
            if (mode.echo)
                options << u"--special-read"_s;
            SimulatorProcess sim(options);
            if (!sim.start())
                return 2;
            QTemporaryDir home;
            if (!BenchSupport::useSettings(home.path(), QJsonObject{{u"Port"_s, sim.ptyPath()}}))
                return 3;

            TfKorvant w;
            w.port().setBaudRate(PortSettings::baudRateFromName(QString::number(baud)));
            w.Button_OpenClick();
            check(w, "cbdirectUpload", mode.direct);
            check(w, "cbDirectUploadComm", mode.comm);
            check(w, "cbClearToSend", mode.whole);
            check(w, "cbSpecialRead", mode.echo);
            check(w, "cbShowFeedback", true);
            auto *page = w.findChild<FirmwarePage *>();
            page->loadHexFile(hexPath);

            const BenchSupport::EventLoopGaps gaps(1);
            QElapsedTimer clock;
            clock.start();
            page->sbTransmitClick();
            while (page->isUploading())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            const double handedOver = double(clock.nsecsElapsed()) / 1e9;
            // The upload is over for the user once the system took the last byte; it is over on
            // the line once the station has read it.
            const qsizetype expected =
                (mode.direct || mode.comm) ? hex.size() - 2 * hex.count('\n') : hex.size();
            while (sim.fetchCapture().size() < expected && clock.elapsed() < 600000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            const double seconds = double(clock.nsecsElapsed()) / 1e9;
            const double longestGapMs = gaps.worstMs();
            const double limit =
                BenchSupport::uploadLineSeconds(hex, mode.direct || mode.comm, mode.echo, baud);
            std::printf("%6d %-22s page done %6.2f s, line done %6.2f s, limit %6.2f s, "
                        "fraction %.3f, longest gap %.0f ms\n",
                        baud, mode.name, handedOver, seconds, limit, limit / seconds, longestGapMs);
            std::fflush(stdout);
        }
    }
    return 0;
}
