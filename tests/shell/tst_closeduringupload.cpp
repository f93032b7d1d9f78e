#include "cv/cvprogrammingpage.h"
#include "firmware/firmwarepage.h"
#include "platform/terminationsignals.h"
#include "support/firmwarepagedriver.h"
#include "support/hextext.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "turnouts/turnoutloadsavepage.h"
#include "ui/radiogroup.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

// The window ending while an upload runs, as main() ends it: closed, or asked to stop by
// SIGTERM or SIGINT, also just after its converter was pulled out. An exception leaving the
// destructor or a Qt event ends this test process on the spot; the settings must be saved.
class tst_CloseDuringUpload : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;
    QTemporaryDir files;

    bool uploading() const
    {
        return f->window->findChild<FirmwarePage *>()->isUploading() ||
               f->window->findChild<TurnoutLoadSavePage *>()->isUploading() ||
               f->window->findChild<CvProgrammingPage *>()->isUploading();
    }

    // Each page's upload, started so that it keeps running until the window ends: the
    // pseudo-terminal's other side neither reads nor answers.
    void startUpload(const QString &page)
    {
        if (page == u"firmware") {
            FirmwarePageDriver::setMode(*f, u"direct"_s); // waits for an XON that never comes
            FirmwarePageDriver::loadThroughTheDialog(
                *f, TestFiles::writeIn(files.path(), u"f.hex"_s, SmallHex));
            f->control<QAbstractButton>(u"sbTransmit"_s)->click();
        } else if (page == u"turnouts") {
            f->userSelectsPage(TfKorvant::PageTurnout);
            // Far more than the terminal holds unread: the writes stall.
            f->control<QPlainTextEdit>(u"mMemoReceived"_s)
                ->setPlainText(QString(u":01,02\r\n"_s).repeated(20000));
            f->control<QAbstractButton>(u"sbUpload"_s)->click();
        } else {
            f->userSelectsPage(TfKorvant::PageCVProgramming);
            f->control<RadioGroup>(u"rgCvSelect"_s)
                ->findChildren<QRadioButton *>()
                .at(CvProgrammingPage::OptionSelectAll)
                ->click();
            f->control<QAbstractButton>(u"sbUploadCV"_s)->click();
        }
    }

    QJsonObject storedSettings() const
    {
        QFile file(f->home.filePath(u"config/Quendrel/Korvant.json"_s));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private Q_SLOTS:
    void initTestCase() { quitOnTerminationSignals(qApp); }
    void cleanup() { f.reset(); }

    void endingTheWindowMidUpload_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("signal"); // 0: the window is closed
        QTest::addColumn<bool>("unplugged");
        for (const QString &page : {u"firmware"_s, u"turnouts"_s, u"cv"_s}) {
            const QByteArray name = page.toLatin1();
            QTest::addRow("%s-closed", name.constData()) << page << 0 << false;
            QTest::addRow("%s-sigterm", name.constData()) << page << SIGTERM << false;
            QTest::addRow("%s-sigint", name.constData()) << page << SIGINT << false;
            QTest::addRow("%s-closed-unplugged", name.constData()) << page << 0 << true;
            QTest::addRow("%s-sigterm-unplugged", name.constData()) << page << SIGTERM << true;
        }
    }

    void endingTheWindowMidUpload()
    {
        QFETCH(QString, page);
        QFETCH(int, signal);
        QFETCH(bool, unplugged);
        f = std::make_unique<WindowFixture>();
        f->control<QSpinBox>(u"seBufferIn"_s)->setValue(2222);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
        startUpload(page);
        QVERIFY(uploading());
        if (unplugged)
            f->pty.hangUp(); // the window has not noticed yet when it ends
        if (signal != 0) {
            // main(): the signal ends the event loop, then the window goes.
            bool uploadingAtQuit = false;
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, f->window.get(),
                             [&] { uploadingAtQuit = uploading(); });
            QTimer::singleShot(0, qApp, [signal] { ::raise(signal); });
            QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
            QCOMPARE(QCoreApplication::exec(), 0);
            if (!unplugged) // a hang-up noticed first may end the upload before the signal
                QVERIFY(uploadingAtQuit);
        }
        f->window.reset();
        QCOMPARE(storedSettings().value(u"BufferIn"_s).toInt(), 2222);
        QVERIFY2(f->messages.boxes.size() <= 1, qPrintable(f->messages.texts().join(u'|')));
        for (const QString &message : f->messages.texts())
            QVERIFY2(!message.contains(u"Exception"_s), qPrintable(message));
    }
};

QTEST_MAIN(tst_CloseDuringUpload)
#include "tst_closeduringupload.moc"
