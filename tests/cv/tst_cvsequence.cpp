#include "cv/cvsequence.h"
#include "cvselectionrows.h"
#include "link/memoryimage.h"
#include "platform/korvanterror.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

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
    CvSelectionRows::addSequenceTextRows();
}

void TestCvSequence::text()
{
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, readBack);
    QFETCH(QString, begins);
    QFETCH(QString, ends);
    // The selection hands the read-back CVs over with the picked ones, in no order.
    const QString text = CvSequence::text(selected + readBack);
    QVERIFY2(text.startsWith(begins), qPrintable(text.left(60)));
    QVERIFY2(text.endsWith(ends), qPrintable(text.right(60)));
}

void TestCvSequence::everySequenceIs800Characters()
{
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, readBack);
    const QString text = CvSequence::text(selected + readBack);
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
    QTest::newRow("all") << CvSelectionRows::range(1, 255);
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
