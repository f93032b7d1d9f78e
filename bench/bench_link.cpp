// The Link page's reaction times over a pseudo-terminal, in the real window (offscreen):
//  - status: from a status packet's last byte written to the page showing it;
//  - click: from a click on "Emergency STOP" to the instruction's last byte read on the line;
//  - keep-up: a status packet every 20 ms for 10 s on a fixed clock, whatever the page does:
//    how many the page showed, how many it missed, and its lag behind them.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_link
#include "benchsupport.h"
#include "link/stationwire.h"
#include "shell/commainform.h"
#include "support/ptypair.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QString statusWithAddress(int address)
{
    return QString::number(address & 0xFF, 16).rightJustified(2, u'0').toUpper() +
           QString(26, u'0');
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    QApplication app(argc, argv);
    PtyPair pty;
    if (!BenchSupport::useSettings(home.path(), QJsonObject{{u"Port"_s, pty.slavePath()}}))
        return 1;

    TfKorvant window;
    window.pageControl1()->setCurrentIndex(TfKorvant::PageLink);
    window.Button_OpenClick();
    auto *caption = window.findChild<QToolButton *>(u"bbDirLoc1"_s);
    // The first loco's caption starts with the address of the last status applied.
    auto showsLoco = [caption](int address) {
        return caption->text().startsWith(u"Loco %1\r"_s.arg(address));
    };
    if (!window.state().LinkOpen) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(pty.slavePath()));
        return 1;
    }
    auto *stop = window.findChild<QAbstractButton *>(u"bbEmergencyStop"_s);

    std::vector<double> statusMs;
    for (int i = 1; i <= 300; ++i) {
        const QByteArray packet =
            StationWire::bytesFromChars(StationWire::framePacket(statusWithAddress(i)));
        QElapsedTimer clock;
        if (!pty.write(packet))
            return 4;
        clock.start();
        if (!BenchSupport::waitUntil([&] { return showsLoco(i & 0xFF); }, 2000))
            return 2;
        statusMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    std::vector<double> clickMs;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer clock;
        clock.start();
        stop->click();
        if (pty.readAvailable(5, 2000).size() != 5)
            return 3;
        clickMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    // A status packet every 20 ms on a fixed clock, whatever the page does, as a station sends
    // them. Packet i carries address i % 256; the page's caption says which one it shows. A
    // packet is shown when the caption names it before a later one; its lag is from its last
    // byte written to the first look that finds it. One that another replaced unseen is missed.
    constexpr int Stream = 500;
    constexpr qint64 PeriodNs = 20000000;
    std::vector<qint64> sentNs(Stream, -1);
    std::vector<double> lagMs;
    double worstSendSlipMs = 0;
    int shown = 0;
    int newest = -1; // the newest packet the page has shown
    auto look = [&] {
        const QString text = caption->text();
        for (int i = int(sentNs.size()) - 1; i > newest; --i) {
            if (sentNs[size_t(i)] >= 0 && text.startsWith(u"Loco %1\r"_s.arg(i & 0xFF))) {
                ++shown;
                lagMs.push_back(double(monotonicNs() - sentNs[size_t(i)]) / 1e6);
                newest = i;
                return;
            }
        }
    };
    const qint64 streamStartNs = monotonicNs();
    for (int i = 0; i < Stream; ++i) {
        const qint64 dueNs = streamStartNs + i * PeriodNs;
        while (monotonicNs() < dueNs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            look();
        }
        worstSendSlipMs = std::max(worstSendSlipMs, double(monotonicNs() - dueNs) / 1e6);
        if (!pty.write(
                StationWire::bytesFromChars(StationWire::framePacket(statusWithAddress(i & 0xFF)))))
            return 5;
        sentNs[size_t(i)] = monotonicNs();
    }
    BenchSupport::waitUntil(
        [&] {
            look();
            return newest == Stream - 1;
        },
        2000);

    const BenchSupport::Spread s = BenchSupport::spread(statusMs);
    const BenchSupport::Spread c = BenchSupport::spread(clickMs);
    std::printf("status_to_page_ms median=%.3f p95=%.3f max=%.3f\n", s.median, s.p95, s.max);
    std::printf("click_to_wire_ms median=%.3f p95=%.3f max=%.3f\n", c.median, c.p95, c.max);
    const BenchSupport::Spread l = BenchSupport::spread(lagMs);
    std::printf("every_20ms shown=%d/%d missed=%d lag_ms median=%.3f p95=%.3f max=%.3f "
                "worst_send_slip_ms=%.3f\n",
                shown, Stream, Stream - shown, l.median, l.p95, l.max, worstSendSlipMs);
    return 0;
}
