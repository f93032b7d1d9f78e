#include "cv/cvprogrammingpage.h"
#include "cv/cvselection.h"
#include "cv/cvsequence.h"
#include "support/simulatorprocess.h"
#include "support/windowfixture.h"
#include "ui/colours.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<int> range(int first, int last)
{
    QList<int> cvs;
    for (int cv = first; cv <= last; ++cv)
        cvs.append(cv);
    return cvs;
}

// The simulated decoder's values when none is given on its command line.
int decoderValue(int cv)
{
    switch (cv) {
    case 1:
        return 3;
    case 7:
        return 0x2A;
    case 8:
        return 0x0D;
    case 29:
        return 6;
    default:
        return (cv * 7 + 3) & 0xFF;
    }
}

} // namespace

// The CV page against the station simulator: what an upload puts on the line, the values the
// station reads back onto the entries, and how an upload ends early.
class tst_CvStation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;

    CvProgrammingPage *page() { return f->window->findChild<CvProgrammingPage *>(); }
    QCheckBox *box(int cv) { return f->control<QCheckBox>(u"CheckBox%1"_s.arg(cv + 58)); }
    QLineEdit *edit(int cv) { return f->control<QLineEdit>(u"Edit%1"_s.arg(cv + 32)); }
    QPlainTextEdit *memo() { return f->control<QPlainTextEdit>(u"mMemoCV"_s); }
    QProgressBar *gauge() { return f->control<QProgressBar>(u"Gauge3"_s); }
    QAbstractButton *button(const QString &name) { return f->control<QAbstractButton>(name); }

    void startStation(const QStringList &options = {})
    {
        sim = std::make_unique<SimulatorProcess>(options);
        QVERIFY(sim->start());
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()}});
        f->window->show();
        f->userSelectsPage(TfKorvant::PageCVProgramming);
    }

    void pickOption(int index)
    {
        f->control<RadioGroup>(u"rgCvSelect"_s)->findChildren<QRadioButton *>().at(index)->click();
    }

    QList<int> cvsIn(Qt::CheckState state)
    {
        QList<int> cvs;
        for (int cv = 1; cv <= 255; ++cv) {
            if (box(cv)->checkState() == state)
                cvs.append(cv);
        }
        return cvs;
    }

    bool valuesEmpty()
    {
        for (int cv = 1; cv <= 255; ++cv) {
            if (!edit(cv)->text().isEmpty())
                return false;
        }
        return true;
    }

    void waitForUploadEnd() { QTRY_VERIFY_WITH_TIMEOUT(!page()->isUploading(), 10000); }

    // Runs the action when the upload has written this many bytes.
    void whenSent(int bytes, const std::function<void()> &action)
    {
        QObject::connect(gauge(), &QProgressBar::valueChanged, gauge(), [bytes, action](int v) {
            if (v == bytes)
                action();
        });
    }

    void verifyIdleAfterUpload(bool linkOpen)
    {
        QCOMPARE(button(u"sbUploadCV"_s)->isEnabled(), linkOpen);
        QVERIFY(!button(u"sbCancelUploadCV"_s)->isEnabled());
        QVERIFY(!memo()->isReadOnly());
        QCOMPARE(Colours::background(memo()), linkOpen ? Colours::Yellow : Colours::Silver);
    }

private Q_SLOTS:
    void cleanup()
    {
        f.reset();
        sim.reset();
    }

    void connectingOnThisPageSendsX100Once()
    {
        startStation();
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), QByteArray(":X100"), 3000);
        f->connect(); // disconnect
        f->userSelectsPage(TfKorvant::PageLink);
        f->connect();
        // A headlight click after the connect: the station receives in order, so when its
        // instruction is in, whatever the connect sent is in before it.
        QTest::mouseClick(f->control<QWidget>(u"panH1"_s), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(sim->fetchCapture().endsWith(":H000"), 3000);
        QCOMPARE(sim->fetchCapture(), QByteArray(":X100:H000"));
    }

    void theSelectionGoesOutAndTheValuesComeBack_data()
    {
        QTest::addColumn<QString>("selection"); // "default", "all" or "none"
        QTest::addColumn<QList<int>>("cvs");
        QTest::newRow("default-list") << u"default"_s << CvSelection::DefaultCVList();
        QTest::newRow("nothing-selected") << u"none"_s << QList<int>{};
        QTest::newRow("all-255") << u"all"_s << range(1, 255);
    }

    void theSelectionGoesOutAndTheValuesComeBack()
    {
        QFETCH(QString, selection);
        QFETCH(QList<int>, cvs);
        startStation({u"--cv"_s, u"29=255"_s, u"--cv"_s, u"3=0"_s});
        f->connect();
        if (selection == u"default")
            pickOption(CvProgrammingPage::OptionDefault);
        else if (selection == u"all")
            pickOption(CvProgrammingPage::OptionSelectAll);
        else
            button(u"bbClearAllCV"_s)->click();
        button(u"sbUploadCV"_s)->click();
        QVERIFY(page()->isUploading());
        QVERIFY(!button(u"sbUploadCV"_s)->isEnabled());
        QVERIFY(button(u"sbCancelUploadCV"_s)->isEnabled());
        QVERIFY(memo()->isReadOnly());
        waitForUploadEnd();

        const QString text = CvSequence::text(cvs);
        QCOMPARE(gauge()->maximum(), 800);
        QCOMPARE(gauge()->value(), 800);
        QCOMPARE(memo()->textCursor().selectionStart(), 0);
        QCOMPARE(memo()->textCursor().selectionEnd(), memo()->document()->characterCount() - 1);
        verifyIdleAfterUpload(true);
        QCOMPARE(sim->waitForLine(u"cv answered"_s), u"cv answered %1"_s.arg(cvs.size()));
        QTRY_COMPARE_WITH_TIMEOUT(cvsIn(Qt::PartiallyChecked), cvs, 5000);
        for (const int cv : std::as_const(cvs)) {
            const int value = cv == 29 ? 255 : cv == 3 ? 0 : decoderValue(cv);
            QCOMPARE(edit(cv)->text(), QString::number(value));
        }
        const QByteArray received = sim->fetchCapture();
        QCOMPARE(received, ":X100" + text.toLatin1());
        if (selection == u"default")
            QVERIFY(received.startsWith(":X100:01,02,03,04,05,1D,00,"));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void anUploadOnAClosedPortOpensItFirst()
    {
        startStation();
        pickOption(CvProgrammingPage::OptionDefault);
        page()->sbUploadCVClick();
        QVERIFY(f->window->state().LinkOpen);
        waitForUploadEnd();
        QTRY_COMPARE_WITH_TIMEOUT(cvsIn(Qt::PartiallyChecked), CvSelection::DefaultCVList(), 5000);
        QCOMPARE(sim->fetchCapture(),
                 ":X100" + CvSequence::text(CvSelection::DefaultCVList()).toLatin1());
    }

    void anUploadAfterAReadBackAsksAgain()
    {
        startStation();
        f->connect();
        QTest::mouseClick(box(7), Qt::LeftButton);
        QTest::mouseClick(box(100), Qt::LeftButton);
        button(u"sbUploadCV"_s)->click();
        QTRY_COMPARE_WITH_TIMEOUT(cvsIn(Qt::PartiallyChecked), (QList<int>{7, 100}), 5000);
        QTest::keyClicks(edit(50), u"9"_s); // typed by the user, never sent

        button(u"sbUploadCV"_s)->click();
        QCOMPARE(cvsIn(Qt::Checked), (QList<int>{7, 100}));
        QVERIFY(valuesEmpty());
        waitForUploadEnd();
        QTRY_COMPARE_WITH_TIMEOUT(cvsIn(Qt::PartiallyChecked), (QList<int>{7, 100}), 5000);
        QCOMPARE(edit(7)->text(), QString::number(0x2A));
        const QByteArray sequence = CvSequence::text({7, 100}).toLatin1();
        QCOMPARE(sim->fetchCapture(), ":X100" + sequence + sequence);
    }

    void cancelEndsAPacedUploadAtOnce()
    {
        startStation({u"--baud"_s, u"1200"_s});
        f->connect();
        pickOption(CvProgrammingPage::OptionSelectAll);
        whenSent(100, [this] { button(u"sbCancelUploadCV"_s)->click(); });
        button(u"sbUploadCV"_s)->click();
        waitForUploadEnd();
        QVERIFY(f->window->state().CancelRequested);
        QCOMPARE(gauge()->value(), 100);
        verifyIdleAfterUpload(true);
        // The memo shows the sent text selected: two lines and their line ends.
        const QString text = CvSequence::text(range(1, 255));
        QCOMPARE(memo()->textCursor().selectionEnd(), 98);
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), ":X100" + text.left(100).toLatin1(), 5000);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void anUploadEndsCleanlyWhenTheLinkGoes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("linkOpen");
        QTest::newRow("page-change") << u"page"_s << true;
        QTest::newRow("disconnect") << u"disconnect"_s << false;
    }

    // The station hanging up mid-upload: tst_linkfaults::hangUpMidUploadThenReconnect.
    void anUploadEndsCleanlyWhenTheLinkGoes()
    {
        QFETCH(QString, how);
        QFETCH(bool, linkOpen);
        startStation({u"--baud"_s, u"1200"_s});
        f->connect();
        pickOption(CvProgrammingPage::OptionSelectAll);
        if (how == u"page")
            whenSent(50, [this] { f->userSelectsPage(TfKorvant::PageLink); });
        else
            whenSent(50, [this] { f->connect(); });
        button(u"sbUploadCV"_s)->click();
        waitForUploadEnd();
        QTRY_COMPARE_WITH_TIMEOUT(f->window->state().LinkOpen, linkOpen, 5000);
        verifyIdleAfterUpload(linkOpen);
        QVERIFY(gauge()->value() < 800);
        QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
    }
};

QTEST_MAIN(tst_CvStation)
#include "tst_cvstation.moc"
