// The turnout table's figures:
//  - codec: export plus import of a full 222-entry table (rows to memory image text and back
//    to the decoder's group texts), no widgets;
//  - window: "&Export" on the encoder page with 222 entries, which also imports the table
//    back through the decoder page into the rows;
//  - upload: the 800 bytes of a fresh export to the station simulator's line at 57600 baud, from
//    the click to the station having stored the table, against the line time of 800 bytes (the
//    line model's limit, so the fraction is at most 1).
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_turnouts
#include "benchsupport.h"
#include "shell/commainform.h"
#include "support/simulatorprocess.h"
#include "turnouts/turnouttable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Baud = 57600;
// The memory image text's 800 characters on the simulator's line: the shortest time in which
// the station can have them all.
const double LineMs =
    UploadLimit::standard(LineModel{Baud, FrameShape{}}, UploadText{800, 16, 0}) * 1000.0;

// 222 entries over the 26 groups, numbers 01-99 with both marks.
TurnoutTable::Rows fullRows()
{
    TurnoutTable::Rows rows;
    for (int i = 0; i < TurnoutTable::MaxEntries; ++i) {
        const int group = i % TurnoutTable::GroupCount;
        const TurnoutEntry entry{1 + (i * 37) % 99, i % 2 == 0};
        rows[group] = rows[group].value_or(QString()) + entry.text();
    }
    return rows;
}

BenchSupport::Spread codecExportImport(const TurnoutTable::Rows &rows)
{
    std::vector<double> us;
    qsizetype keep = 0;
    for (int run = 0; run < 2000; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QString text = TurnoutTable::memoryImageText(TurnoutTable::digitsFromRows(rows));
        const TurnoutTable::Groups groups = TurnoutTable::decode(text);
        for (const TurnoutGroup &group : groups)
            keep += TurnoutTable::groupText(group).size();
        us.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    if (keep == 0)
        std::printf("(nothing decoded)\n");
    return BenchSupport::spread(us);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    QApplication app(argc, argv);
    const TurnoutTable::Rows rows = fullRows();

    const BenchSupport::Spread codec = codecExportImport(rows);
    std::printf("codec_export_import_us median=%.1f min=%.1f max=%.1f\n", codec.median, codec.min,
                codec.max);

    SimulatorProcess sim({u"--baud"_s, QString::number(Baud)});
    if (!sim.start()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    if (!BenchSupport::useSettings(home.path(), QJsonObject{{u"Port"_s, sim.ptyPath()}}))
        return 1;

    TfKorvant window;
    window.pageControl1()->setCurrentIndex(TfKorvant::PageTurnout);
    window.Button_OpenClick();
    if (!window.state().LinkOpen) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(sim.ptyPath()));
        return 1;
    }
    auto *exportButton = window.findChild<QAbstractButton *>(u"sbAssignTurnout"_s);
    auto *upload = window.findChild<QAbstractButton *>(u"sbUpload"_s);

    std::vector<double> exportMs;
    for (int run = 0; run < 30; ++run) {
        for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
            window.findChild<QCheckBox *>(u"CheckBox%1"_s.arg(n + 26))->setChecked(true);
            window.findChild<QLineEdit *>(u"Edit%1"_s.arg(n))->setText(*rows[n - 1]);
        }
        QElapsedTimer clock;
        clock.start();
        exportButton->click();
        exportMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const BenchSupport::Spread exported = BenchSupport::spread(exportMs);
    std::printf("window_export_import_ms median=%.2f min=%.2f max=%.2f\n", exported.median,
                exported.min, exported.max);

    std::vector<double> writtenMs;
    std::vector<double> storedMs;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        upload->click();
        double written = 0;
        bool stored = false;
        const bool ok = BenchSupport::waitUntil(
            [&] {
                if (written == 0 && upload->isEnabled())
                    written = double(clock.nsecsElapsed()) / 1e6;
                stored = stored || !sim.waitForLine(u"turnouts stored"_s, 0).isNull();
                return written > 0 && stored;
            },
            5000);
        if (!ok) {
            std::fprintf(stderr, "upload %d did not end\n", run);
            return 2;
        }
        storedMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        writtenMs.push_back(written);
        BenchSupport::waitUntil([] { return false; }, 100); // the line falls quiet between uploads
    }
    const BenchSupport::Spread w = BenchSupport::spread(writtenMs);
    const BenchSupport::Spread s = BenchSupport::spread(storedMs);
    std::printf("upload_800_written_ms median=%.1f min=%.1f max=%.1f\n", w.median, w.min, w.max);
    std::printf("upload_800_stored_ms median=%.1f min=%.1f max=%.1f line_ms=%.1f "
                "fraction_of_line_rate median=%.3f worst=%.3f\n",
                s.median, s.min, s.max, LineMs, LineMs / s.median, LineMs / s.max);
    return 0;
}
