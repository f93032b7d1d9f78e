#include "cv/cvreport.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestCvReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void encodeRoundTrips();
};

void TestCvReport::decode_data()
{
    QTest::addColumn<QString>("packet");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("cv");
    QTest::addColumn<int>("value");

    QTest::newRow("simulator-form") << u"C1D=03"_s << true << 29 << 3;
    QTest::newRow("lower-case-cv-1d-value-FF") << u"C1d=FF"_s << true << 29 << 255;
    QTest::newRow("unread-positions-any-character") << u"%01%7f"_s << true << 1 << 127;
    QTest::newRow("cut-at-ten-has-nine") << u"C0A=0B123"_s << true << 10 << 11;
    QTest::newRow("value-one-digit-at-end") << u"C1D=3"_s << true << 29 << 3;
    QTest::newRow("cv-zero-is-readable") << u"C00=01"_s << true << 0 << 1;
    QTest::newRow("cv-G1-unreadable") << u"CG1=01"_s << false << 0 << 0;
    QTest::newRow("value-not-hex") << u"C01=Z1"_s << false << 0 << 0;
    QTest::newRow("value-missing") << u"C01="_s << false << 0 << 0;
    QTest::newRow("cv-one-digit-value-missing") << u"C1"_s << false << 0 << 0;
    QTest::newRow("empty") << QString() << false << 0 << 0;
    QTest::newRow("blank-inside-cv") << u"C 1=01"_s << false << 0 << 0;
}

void TestCvReport::decode()
{
    QFETCH(QString, packet);
    QFETCH(bool, readable);
    QFETCH(int, cv);
    QFETCH(int, value);
    const auto report = decodeCvReport(packet);
    QCOMPARE(report.has_value(), readable);
    if (readable) {
        QCOMPARE(report->cv, cv);
        QCOMPARE(report->value, value);
    }
}

void TestCvReport::encodeRoundTrips()
{
    for (const CvReportForm form : {CvReportForm::Short, CvReportForm::WithLineEnd}) {
        for (const int cv : {1, 10, 29, 255}) {
            for (const int value : {0, 3, 171, 255}) {
                const QString text = encodeCvReport({cv, value}, form);
                QCOMPARE(decodeCvReport(text), std::optional<CvReport>(CvReport{cv, value}));
            }
        }
    }
    QCOMPARE(encodeCvReport({29, 3}, CvReportForm::Short), u"C1D=03"_s);
    QCOMPARE(encodeCvReport({29, 3}, CvReportForm::WithLineEnd), u"C1D=03\r\n"_s);
}

QTEST_GUILESS_MAIN(TestCvReport)
#include "tst_cvreport.moc"
