#include "cv/cvselection.h"
#include "cvselectionrows.h"
#include "platform/korvanterror.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

using Mark = CvSelection::Mark;
using CvSelectionRows::range;

QList<int> cvsMarked(const CvSelection &selection, Mark mark)
{
    QList<int> cvs;
    for (int cv = CvSelection::FirstCv; cv <= CvSelection::LastCv; ++cv) {
        if (selection.entry(cv).mark == mark)
            cvs.append(cv);
    }
    return cvs;
}

} // namespace

// The CV entries without widgets: selection, read-back marks, values and the sequence text.
class tst_CvSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sequenceText_data() { CvSelectionRows::addSequenceTextRows(); }

    void sequenceText()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, readBack);
        QFETCH(QString, begins);
        QFETCH(QString, ends);
        CvSelection selection;
        selection.check(selected);
        for (const int cv : readBack)
            selection.applyReadBack(cv, 1);
        const QString text = selection.sequenceText();
        QCOMPARE(text.size(), 800);
        QVERIFY2(text.startsWith(begins), qPrintable(text.left(60)));
        QVERIFY2(text.endsWith(ends), qPrintable(text.right(60)));
    }

    void aClickNeverGrays_data()
    {
        QTest::addColumn<int>("before"); // 0 none, 1 selected, 2 read back
        QTest::addColumn<int>("after");
        QTest::newRow("unchecked-becomes-checked") << 0 << 1;
        QTest::newRow("checked-becomes-unchecked") << 1 << 0;
        QTest::newRow("grayed-becomes-checked") << 2 << 1;
    }

    void aClickNeverGrays()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        CvSelection selection;
        if (before == 1)
            selection.check({7});
        if (before == 2)
            selection.applyReadBack(7, 42);
        QSignalSpy changed(&selection, &CvSelection::entryChanged);
        QVERIFY(changed.isValid());
        selection.click(7);
        QCOMPARE(selection.entry(7).mark, Mark(after));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toInt(), 7);
        // The value is the user's to keep or type over; a click does not touch it.
        QCOMPARE(selection.entry(7).value, before == 2 ? u"42"_s : QString());
    }

    void bulkOperations()
    {
        CvSelection selection;
        selection.check({1, 2});
        selection.applyReadBack(29, 6);
        selection.setValue(2, u"typed"_s);
        QSignalSpy bulk(&selection, &CvSelection::entriesChanged);

        selection.selectAll();
        QCOMPARE(cvsMarked(selection, Mark::Selected), range(1, 255));
        QCOMPARE(selection.entry(29).value, u"6"_s);
        QCOMPARE(selection.entry(2).value, u"typed"_s);

        selection.applyReadBack(29, 7);
        selection.prepareUpload();
        QCOMPARE(cvsMarked(selection, Mark::ReadBack), QList<int>{});
        QCOMPARE(selection.entry(29).mark, Mark::Selected);
        QCOMPARE(selection.entry(29).value, QString());
        QCOMPARE(selection.entry(2).value, QString());

        selection.setValue(5, u"3"_s);
        selection.clearAll();
        QCOMPARE(selection.selectedCvs(), QList<int>{});
        QCOMPARE(selection.entry(5).value, QString());
        QCOMPARE(bulk.size(), 3);
    }

    void prepareUploadKeepsUnselectedUnselected()
    {
        CvSelection selection;
        selection.applyReadBack(9, 1);
        selection.check({10});
        selection.prepareUpload();
        QCOMPARE(selection.selectedCvs(), (QList<int>{9, 10}));
        QCOMPARE(selection.entry(11).mark, Mark::None);
    }

    void laterReportsOverwrite()
    {
        CvSelection selection;
        selection.applyReadBack(29, 6);
        selection.applyReadBack(29, 255);
        QCOMPARE(selection.entry(29).value, u"255"_s);
        QCOMPARE(selection.entry(29).mark, Mark::ReadBack);
    }

    void numbersThatNameNoEntryChangeNothing()
    {
        CvSelection selection;
        QSignalSpy changed(&selection, &CvSelection::entryChanged);
        selection.check({0, 256, -1});
        selection.applyReadBack(0, 5);
        selection.applyReadBack(256, 5);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(selection.selectedCvs(), QList<int>{});
    }

    void aDamagedTextLeavesTheCvsBeforeItSelected()
    {
        CvSelection selection;
        try {
            selection.checkCvsIn(u":01,1D,G3,04,00"_s);
            QFAIL("no error");
        } catch (const KorvantError &e) {
            QCOMPARE(e.message(), u"'$G3' is not a valid integer value"_s);
        }
        QCOMPARE(selection.selectedCvs(), (QList<int>{1, 29}));
    }

    void readsBackItsOwnText()
    {
        CvSelection written;
        written.check({1, 16, 17, 128, 255});
        CvSelection read;
        read.checkCvsIn(written.sequenceText());
        QCOMPARE(read.selectedCvs(), written.selectedCvs());
    }
};

QTEST_GUILESS_MAIN(tst_CvSelection)
#include "tst_cvselection.moc"
