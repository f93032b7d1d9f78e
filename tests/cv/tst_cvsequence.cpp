#include "cv/cvsequence.h"
#include "link/memoryimage.h"
#include "platform/korvanterror.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ZeroLine = u":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"_s;

QList<int> allCvs()
{
    QList<int> cvs;
    for (int cv = 1; cv <= 255; ++cv)
        cvs.append(cv);
    return cvs;
}

} // namespace

class TestCvSequence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data();
    void text();
    void everySequenceIs800Characters_data() { text_data(); }
    void everySequenceIs800Characters();
    void readsBackWhatItBuilds_data();
    void readsBackWhatItBuilds();
    void damagedTextThrows();
};

void TestCvSequence::text_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("begins");
    QTest::addColumn<QString>("ends");

    QTest::newRow("nothing-selected") << QList<int>{} << ZeroLine << ZeroLine;
    QTest::newRow("default-list") << QList<int>{1, 2, 3, 4, 5, 29}
                                  << u":01,02,03,04,05,1D,00,00,00,00,00,00,00,00,00,00\r\n"_s
                                  << ZeroLine;
    QTest::newRow("cv10-upper-case-hex") << QList<int>{10} << u":0A,00,"_s << ZeroLine;
    QTest::newRow("unsorted-with-repeats")
        << QList<int>{29, 3, 29, 1} << u":01,03,1D,00,"_s << ZeroLine;
    QTest::newRow("out-of-range-left-out") << QList<int>{0, 7, 256, -1} << u":07,00,"_s << ZeroLine;
    QTest::newRow("all-255") << allCvs() << u":01,02,03,"_s << u",FE,FF,00\r\n"_s;
}

void TestCvSequence::text()
{
    QFETCH(QList<int>, selected);
    QFETCH(QString, begins);
    QFETCH(QString, ends);
    const QString text = CvSequence::text(selected);
    QVERIFY2(text.startsWith(begins), qPrintable(text.left(60)));
    QVERIFY2(text.endsWith(ends), qPrintable(text.right(60)));
}

void TestCvSequence::everySequenceIs800Characters()
{
    QFETCH(QList<int>, selected);
    const QString text = CvSequence::text(selected);
    QCOMPARE(text.size(), MemoryImage::TextLength);
    QCOMPARE(MemoryImage::lines(text).size(), MemoryImage::LineCount);
}

void TestCvSequence::readsBackWhatItBuilds_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::newRow("nothing") << QList<int>{};
    QTest::newRow("default-list") << QList<int>{1, 2, 3, 4, 5, 29};
    QTest::newRow("line-boundary")
        << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 255};
    QTest::newRow("all") << allCvs();
}

void TestCvSequence::readsBackWhatItBuilds()
{
    QFETCH(QList<int>, selected);
    QCOMPARE(CvSequence::cvsIn(CvSequence::text(selected)), selected);
}

void TestCvSequence::damagedTextThrows()
{
    QVERIFY_THROWS_EXCEPTION(KorvantError, CvSequence::cvsIn(u":01,G2,00"_s));
    QCOMPARE(CvSequence::cvsIn(u":1d,00"_s), QList<int>{29});
    QCOMPARE(CvSequence::cvsIn(QString()), QList<int>{});
}

QTEST_GUILESS_MAIN(TestCvSequence)
#include "tst_cvsequence.moc"
