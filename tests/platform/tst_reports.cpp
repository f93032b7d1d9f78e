#include "cv/cvsheet.h"
#include "cv/printcv.h"
#include "turnouts/printturnout.h"
#include "turnouts/turnoutreport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

using CvValues = QMap<int, QString>;

namespace {

const QDateTime printedAt(QDate(2026, 12, 9), QTime(21, 30, 5));
const QString site = u"https://korvant.example"_s;

// The printed rows: the enabled labels' texts of each row, "|" between them.
QStringList printedRows(const BandReport &report)
{
    QStringList rows;
    for (const QList<BandReport::Band> &page : report.paginate()) {
        for (const BandReport::Band &band : page) {
            QStringList texts;
            for (const BandReport::Label &label : band.labels)
                texts.append(label.enabled ? label.text : QString());
            rows.append(texts.join(u'|'));
        }
    }
    return rows;
}

QList<TurnoutReportRow> groups(const QList<int> &ticked, const QString &entries)
{
    QList<TurnoutReportRow> rows;
    for (int n = 1; n <= 26; ++n)
        rows.append({ticked.contains(n), QString(QChar(u'A' + n - 1)), entries});
    return rows;
}

QList<CvSheetEntry> cvs(const QMap<int, QString> &selected)
{
    QList<CvSheetEntry> entries;
    for (int cv = 1; cv <= 256; ++cv)
        entries.append({cv <= 255, selected.contains(cv), u"CV%1"_s.arg(cv), selected.value(cv)});
    return entries;
}

QString slots(const QMap<int, QString> &filled)
{
    QStringList parts;
    for (int k = 1; k <= 8; ++k) {
        parts.append(filled.contains(k) ? filled.value(k).section(u'|', 0, 0) : QString());
        parts.append(filled.contains(k) ? filled.value(k).section(u'|', 1, 1) : QString());
    }
    return parts.join(u'|');
}

// The text of each page of a PDF, as a reader copies it.
QStringList pdfPages(const QString &pdf, int pages)
{
    QStringList texts;
    for (int page = 1; page <= pages; ++page) {
        QProcess tool;
        tool.start(u"pdftotext"_s, {u"-layout"_s, u"-f"_s, QString::number(page), u"-l"_s,
                                    QString::number(page), pdf, u"-"_s});
        if (!tool.waitForFinished(20000))
            return {};
        texts.append(QString::fromUtf8(tool.readAllStandardOutput()));
    }
    return texts;
}

} // namespace

class tst_Reports : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString renderPdf(const BandReport &report, const QString &name, int *pages)
    {
        const QString path = m_dir.filePath(name);
        QPdfWriter writer(path);
        writer.setResolution(300);
        *pages = report.print(writer);
        return path;
    }

private Q_SLOTS:
    void turnoutRecords_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("none-ticked") << QList<int>{} << u"05/ 07| "_s << QStringList{};
        QTest::newRow("ticked-with-empty-label")
            << QList<int>{3} << QString() << QStringList{u"C|"_s};
        QTest::newRow("in-order-a-to-z")
            << QList<int>{26, 1, 5} << u"05/ 07| "_s
            << QStringList{u"A|05/ 07| "_s, u"E|05/ 07| "_s, u"Z|05/ 07| "_s};
    }

    void turnoutRecords()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(QString, entries);
        QFETCH(QStringList, rows);
        TurnoutReport report(u"Korvant - Ver. 2.0.0.4"_s, groups(ticked, entries), site, printedAt);
        QCOMPARE(printedRows(report.report()), rows);
        // A second run (printing from the preview) gives the same rows.
        QCOMPARE(printedRows(report.report()), rows);
    }

    void cvRecords_data()
    {
        QTest::addColumn<CvValues>("selected");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("none") << CvValues{} << QStringList{};
        QTest::newRow("cv29-only")
            << CvValues{{29, u"3"_s}} << QStringList{slots({{5, u"CV29 =|3"_s}})};
        QTest::newRow("cv1-5-and-29") << CvValues{{1, u"3"_s}, {2, u"0"_s},   {3, u"5"_s},
                                                  {4, u"6"_s}, {5, u"255"_s}, {29, u"6"_s}}
                                      << QStringList{slots({{1, u"CV1 =|3"_s},
                                                            {2, u"CV2 =|0"_s},
                                                            {3, u"CV3 =|5"_s},
                                                            {4, u"CV4 =|6"_s},
                                                            {5, u"CV5 =|255"_s}}),
                                                     slots({{5, u"CV29 =|6"_s}})};
        QTest::newRow("cv255-seventh-slot-of-last-row")
            << CvValues{{255, u"1"_s}} << QStringList{slots({{7, u"CV255 =|1"_s}})};
        QTest::newRow("empty-value")
            << CvValues{{9, QString()}} << QStringList{slots({{1, u"CV9 =|"_s}})};
    }

    void cvRecords()
    {
        QFETCH(CvValues, selected);
        QFETCH(QStringList, rows);
        CvSheet sheet(u"Korvant - Ver. 2.0.0.4"_s, cvs(selected), site, printedAt);
        QCOMPARE(printedRows(sheet.report()), rows);
    }

    void turnoutSheetReadsBackFromPdf()
    {
        TurnoutReport report(u"Korvant - Ver. 2.0.0.4"_s, groups({1, 2}, u"05/ 07| "_s), site,
                             printedAt);
        int pages = 0;
        const QString pdf = renderPdf(report.report(), u"turnouts.pdf"_s, &pages);
        QCOMPARE(pages, 1);
        const QString text = pdfPages(pdf, 1).value(0);
        QStringList expectedInOrder{u"Korvant - Ver. 2.0.0.4"_s,
                                    u"Turnout printout"_s,
                                    u"Groups"_s,
                                    u"Route Number and Direction"_s,
                                    u"A"_s,
                                    u"05/ 07|"_s,
                                    u"B"_s,
                                    site,
                                    u"2026-12-09 21:30:05"_s};
        qsizetype at = 0;
        for (const QString &piece : expectedInOrder) {
            const qsizetype found = text.indexOf(piece, at);
            QVERIFY2(found >= 0, qPrintable(piece + u" not after "_s + QString::number(at) +
                                            u" in:\n"_s + text));
            at = found + piece.size();
        }
    }

    void aLongReportGoesOnToMorePagesWithHeaderAndFooterOnEach()
    {
        CvSheet sheet(u"Korvant - Ver. 2.0.0.4"_s, {}, site, printedAt);
        BandReport report = sheet.report();
        int record = 0;
        report.beforePrint = [&record] {
            record = 0;
        };
        report.needData = [&record](BandReport::Band &detail) {
            if (++record > 90)
                return false;
            detail.label(u"qrlCVNumber1"_s)->text = u"Row%1"_s.arg(record, 3, 10, QChar(u'0'));
            return true;
        };
        int pages = 0;
        const QString pdf = renderPdf(report, u"long.pdf"_s, &pages);
        QCOMPARE(pages, 3);
        const QStringList texts = pdfPages(pdf, pages);
        QCOMPARE(texts.size(), 3);
        for (const QString &page : texts) {
            QVERIFY(page.contains(u"CV Values"_s));
            QVERIFY(page.contains(u"CV number followed by respective value"_s));
            QVERIFY(page.contains(site));
        }
        QVERIFY(texts.at(0).contains(u"Row001"_s));
        QVERIFY(texts.at(2).contains(u"Row090"_s));
        QVERIFY(!texts.at(0).contains(u"Row090"_s));
    }

    void rowsComeFromTheActivePageControls()
    {
        QWidget window;
        window.setWindowTitle(u"Korvant - Ver. 2.0.0.4"_s);
        for (int n = 1; n <= 26; ++n) {
            const QString letter(QChar(u'A' + n - 1));
            auto *decoderBox = new QCheckBox(letter, &window);
            decoderBox->setObjectName(u"CheckBox%1"_s.arg(n));
            decoderBox->setChecked(n == 2);
            (new QLabel(u"05/ 07| "_s, &window))->setObjectName(u"st%1"_s.arg(n));
            auto *encoderBox = new QCheckBox(letter, &window);
            encoderBox->setObjectName(u"CheckBox%1"_s.arg(n + 26));
            encoderBox->setChecked(n == 4);
            (new QLineEdit(u"05/07|"_s, &window))->setObjectName(u"Edit%1"_s.arg(n));
        }
        const QList<TurnoutReportRow> decoder = TfPrintTurnout::rowsFrom(&window, 2);
        QVERIFY(decoder.at(1).checked);
        QCOMPARE(decoder.at(1).entries, u"05/ 07| "_s);
        QVERIFY(!decoder.at(3).checked);
        const QList<TurnoutReportRow> encoder = TfPrintTurnout::rowsFrom(&window, 3);
        QVERIFY(encoder.at(3).checked);
        QCOMPARE(encoder.at(3).caption, u"D"_s);
        QCOMPARE(encoder.at(3).entries, u"05/07|"_s);
    }

    void cvEntriesComeFromTheNamedControls()
    {
        QWidget window;
        auto *box = new QCheckBox(u"CV29"_s, &window);
        box->setObjectName(u"CheckBox87"_s);
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked); // read back: grayed counts as selected
        (new QLineEdit(u"6"_s, &window))->setObjectName(u"Edit61"_s);
        const QList<CvSheetEntry> entries = TfPrintCV::entriesFrom(&window);
        QCOMPARE(entries.size(), 256);
        QVERIFY(entries.at(28).exists && entries.at(28).selected);
        QCOMPARE(entries.at(28).value, u"6"_s);
        QVERIFY(!entries.at(0).exists);
    }
};

QTEST_MAIN(tst_Reports)
#include "tst_reports.moc"
