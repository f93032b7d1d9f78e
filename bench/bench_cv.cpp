// The CV page's bulk work in the real window (offscreen, shown, first CV sub-page visible):
//  - select-all: a click on "Select Alll" to its 510 controls painted;
//  - clear-all: a click on "&Clear All" to the 510 controls painted;
//  - reports: 255 CV reports arriving in one chunk, from the framer's feed to the entries
//    painted, and from their last byte written on the line to CV255 grayed.
// Each sample ends once the events the action caused (repaints included) have been handled.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_cv
#include "benchsupport.h"
#include "cv/cvreport.h"
#include "link/stationwire.h"
#include "shell/commainform.h"
#include "support/ptypair.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Samples = 100;

double timed(const std::function<void()> &action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    QCoreApplication::processEvents();
    return double(clock.nsecsElapsed()) / 1e6;
}

QByteArray allReports(int round)
{
    QString text;
    for (int cv = 1; cv <= 255; ++cv)
        text += StationWire::framePacket(
            encodeCvReport({cv, (cv + round) & 0xFF}, CvReportForm::Short));
    return StationWire::bytesFromChars(text);
}

void print(const char *name, const std::vector<double> &samples)
{
    const BenchSupport::Spread p = BenchSupport::spread(samples);
    std::printf("%s_ms median=%.2f p95=%.2f max=%.2f\n", name, p.median, p.p95, p.max);
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
    window.show();
    window.pageControl1()->setCurrentIndex(TfKorvant::PageCVProgramming);
    window.Button_OpenClick();
    if (!window.state().LinkOpen) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(pty.slavePath()));
        return 1;
    }
    pty.drain(); // ":X100"
    QCoreApplication::processEvents();
    const QList<QRadioButton *> options =
        window.findChild<QWidget *>(u"rgCvSelect"_s)->findChildren<QRadioButton *>();
    auto *clearAll = window.findChild<QAbstractButton *>(u"bbClearAllCV"_s);
    auto *lastBox = window.findChild<QCheckBox *>(u"CheckBox313"_s);

    std::vector<double> selectAllMs;
    std::vector<double> clearAllMs;
    for (int i = 0; i < Samples; ++i) {
        selectAllMs.push_back(timed([&] { options.at(2)->click(); }));
        clearAllMs.push_back(timed([&] { clearAll->click(); }));
    }

    std::vector<double> feedMs;
    std::vector<double> lineMs;
    for (int i = 0; i < Samples; ++i) {
        clearAll->click();
        QCoreApplication::processEvents();
        const QByteArray reports = allReports(i);
        feedMs.push_back(timed([&] { window.packetFramer().feed(reports); }));
        if (lastBox->checkState() != Qt::PartiallyChecked)
            return 2;

        clearAll->click();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        if (!pty.write(reports))
            return 3;
        clock.start();
        while (lastBox->checkState() != Qt::PartiallyChecked) {
            if (clock.elapsed() > 5000)
                return 4;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        QCoreApplication::processEvents();
        lineMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    print("select_all", selectAllMs);
    print("clear_all", clearAllMs);
    print("reports_255_feed", feedMs);
    print("reports_255_line", lineMs);
    return 0;
}
