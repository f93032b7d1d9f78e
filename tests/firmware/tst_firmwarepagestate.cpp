#include "firmware/firmwarepage.h"
#include "support/firmwarepagedriver.h"
#include "support/hextext.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "ui/colours.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

using namespace Qt::Literals::StringLiterals;

// The Firmware Upgrade page while connected, on a pseudo-terminal the test answers for: what
// the page shows around an upload (the hidden selection, the log's lines, the gauge) and what
// it refuses while one runs.
class tst_FirmwarePageState : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;
    QTemporaryDir files;

    FirmwarePage *page() { return f->window->findChild<FirmwarePage *>(); }
    QPlainTextEdit *memo(const QString &name) { return f->control<QPlainTextEdit>(name); }
    QAbstractButton *button(const QString &name) { return f->control<QAbstractButton>(name); }
    QProgressBar *gauge() { return f->control<QProgressBar>(u"Gauge1"_s); }

    void connectedWindow()
    {
        f = std::make_unique<WindowFixture>();
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        QCOMPARE(f->window->pageControl1()->currentIndex(), int(TfKorvant::PageFirmware));
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        return TestFiles::writeIn(files.path(), name, contents);
    }

    void uploadAndWait()
    {
        button(u"sbTransmit"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isUploading(), 10000);
    }

    // A range of 0 to 0 is drawn as the busy animation; an empty bar is at its minimum.
    bool gaugeEmpty() { return gauge()->maximum() > gauge()->minimum() && gauge()->value() <= 0; }

private Q_SLOTS:
    void cleanup() { f.reset(); }

    // In standard mode without "Show Selection on Upload" the focus goes to the log, and the
    // selection that grows over the sent text must not be seen on the yellow of a connected
    // memo either.
    void theGrowingSelectionStaysHiddenWhileConnected()
    {
        connectedWindow();
        QPlainTextEdit *hex = memo(u"MHexFile"_s);
        QCOMPARE(Colours::background(hex), Colours::Yellow);
        FirmwarePageDriver::setMode(*f, u"chars"_s);
        f->control<QCheckBox>(u"cbShowFeedback"_s)->setChecked(true);
        f->control<QCheckBox>(u"cbShowSelectionOnUpload"_s)->setChecked(false);
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, SmallHex));
        uploadAndWait();
        QCOMPARE(hex->textCursor().selectionEnd(), hex->toPlainText().size());
        QVERIFY(!hex->hasFocus());

        const QImage selected = hex->viewport()->grab().toImage();
        QTextCursor none = hex->textCursor();
        none.clearSelection();
        hex->setTextCursor(none);
        const QImage unselected = hex->viewport()->grab().toImage();
        QCOMPARE(selected, unselected);
        // With the focus the same selection shows: the pictures can tell it.
        hex->selectAll();
        hex->setFocus();
        QTRY_VERIFY(hex->hasFocus());
        QVERIFY(hex->viewport()->grab().toImage() != unselected);
    }

    void logLinesStandOnLinesOfTheirOwn_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("before"); // what the station sent before the upload
        QTest::addColumn<QString>("after");     // the log after the upload
        const QString standard = u"Start: 0.0 BaudRate:57600\nEnd:00.00.000 BaudRate:57600\n"_s;
        QTest::newRow("standard-after-part-of-a-line")
            << u"chars"_s << QByteArray("station says hi") << u"station says hi\n"_s + standard;
        QTest::newRow("standard-after-a-whole-line")
            << u"chars"_s << QByteArray("station says hi\r\n") << u"station says hi\n"_s + standard;
        QTest::newRow("standard-empty-log") << u"chars"_s << QByteArray() << standard;
        QTest::newRow("whole-text") << u"whole"_s << QByteArray("hi") << u"hi\n"_s + standard;
        QTest::newRow("direct-summary") << u"direct"_s << QByteArray("station says hi") << standard;
        QTest::newRow("direct-comm-summary")
            << u"comm"_s << QByteArray("station says hi")
            << u"Start: 0.0\nEnd:00.00.000 Seconds - BaudRate:57600\n"_s;
    }

    // After an upload the log holds exactly two new lines below what the station sent, and
    // what the station sends next starts on a line of its own.
    void logLinesStandOnLinesOfTheirOwn()
    {
        QFETCH(QString, mode);
        QFETCH(QByteArray, before);
        QFETCH(QString, after);
        connectedWindow();
        FirmwarePageDriver::setMode(*f, mode);
        const QDateTime fixed(QDate(2026, 12, 10), QTime(12, 0));
        page()->setClock([fixed] { return fixed; });
        QPlainTextEdit *log = memo(u"Memo"_s);
        if (!before.isEmpty()) {
            QVERIFY(f->pty.write(before));
            QTRY_COMPARE(log->toPlainText(),
                         QString::fromLatin1(before).replace(u"\r\n"_s, u"\n"_s));
        }
        uploadAndWait(); // the memo is empty: nothing is sent, nothing awaited
        QCOMPARE(log->toPlainText(), after);
        QVERIFY(f->pty.write("OK"));
        QTRY_COMPARE(log->toPlainText(), after + u"OK"_s);
    }

    // The memo is what the upload sends: nothing loads into it until the upload has ended.
    void nothingLoadsUnderARunningUpload()
    {
        connectedWindow();
        FirmwarePageDriver::setMode(*f, u"direct"_s); // the test never answers XON
        const QString first = writeFile(u"first.hex"_s, SmallHex);
        const QString second = writeFile(u"second.hex"_s, ":00000001FF\r\n");
        FirmwarePageDriver::loadThroughTheDialog(*f, first);
        const QString sending = memo(u"MHexFile"_s)->toPlainText();
        button(u"sbTransmit"_s)->click();
        QVERIFY(page()->isUploading());
        QVERIFY(!button(u"bbGetFile"_s)->isEnabled());
        QVERIFY(!button(u"bHexList"_s)->isEnabled());

        FirmwarePageDriver::loadThroughTheDialog(*f, second);
        page()->loadHexFile(second); // as a file fetched from the server would come
        QVERIFY(page()->isUploading());
        QCOMPARE(memo(u"MHexFile"_s)->toPlainText(), sending);
        QCOMPARE(f->control<QLineEdit>(u"eHexFile"_s)->text(), first);
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.texts().first().contains(u"second.hex"_s),
                 qPrintable(f->messages.texts().first()));

        button(u"sbCancelTransmit"_s)->click();
        QVERIFY(button(u"bbGetFile"_s)->isEnabled());
        QVERIFY(button(u"bHexList"_s)->isEnabled());
        FirmwarePageDriver::loadThroughTheDialog(*f, second);
        QCOMPARE(memo(u"MHexFile"_s)->toPlainText(), u":00000001FF\n"_s);
    }

    void aGaugeWithNothingToShowIsEmpty_data()
    {
        QTest::addColumn<QString>("mode"); // empty: only the file is loaded
        QTest::newRow("empty-file-loaded") << QString();
        QTest::newRow("characters") << u"chars"_s;
        QTest::newRow("whole-text") << u"whole"_s;
        QTest::newRow("direct") << u"direct"_s;
        QTest::newRow("direct-comm") << u"comm"_s;
    }

    // Never the busy animation: an empty file and an upload of it leave an empty bar.
    void aGaugeWithNothingToShowIsEmpty()
    {
        QFETCH(QString, mode);
        connectedWindow();
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"empty.hex"_s, QByteArray()));
        f->messages.boxes.clear(); // the file's check is not what this test is about
        QVERIFY(memo(u"MHexFile"_s)->toPlainText().isEmpty());
        QVERIFY(gaugeEmpty());
        if (mode.isEmpty())
            return;
        FirmwarePageDriver::setMode(*f, mode);
        button(u"sbTransmit"_s)->click();
        QVERIFY(gaugeEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isUploading(), 10000);
        QVERIFY(gaugeEmpty());
        QVERIFY(f->messages.boxes.isEmpty());
    }
};

QTEST_MAIN(tst_FirmwarePageState)
#include "tst_firmwarepagestate.moc"
