#include "firmware/firmwarepage.h"
#include "support/firmwarepagedriver.h"
#include "support/hextext.h"
#include "support/quietwatch.h"
#include "support/simulatorprocess.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "ui/filedialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <utility>

using namespace Qt::Literals::StringLiterals;

// The Firmware Upgrade page in the real window against the simulated boot loader: what each
// mode puts on the wire, what the log shows, and how the page ends however the upload ends.
class tst_FirmwarePage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;
    QTemporaryDir files;

    void startStation(QStringList options)
    {
        sim = std::make_unique<SimulatorProcess>(options << u"--bootloader"_s);
        QVERIFY(sim->start());
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()}});
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    FirmwarePage *page() { return f->window->findChild<FirmwarePage *>(); }
    QPlainTextEdit *memo(const QString &name) { return f->control<QPlainTextEdit>(name); }
    QAbstractButton *button(const QString &name) { return f->control<QAbstractButton>(name); }

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        return TestFiles::writeIn(files.path(), name, contents);
    }

    void uploadAndWait(int timeoutMs = 30000)
    {
        button(u"sbTransmit"_s)->click();
        QVERIFY(page()->isUploading());
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isUploading(), timeoutMs);
    }

    // The boot loader's XON answers to a standard upload arrive after it and show in the log,
    // as everything the station sends does; they are not what these checks are about.
    QStringList logLines()
    {
        return memo(u"Memo"_s)->toPlainText().remove(QChar(0x11)).split(u'\n');
    }

private Q_SLOTS:
    void cleanup()
    {
        f.reset();
        sim.reset();
    }

    // Without "Show Selection on Upload" the upload moves the focus to the log, and the hex
    // memo's growing selection must then not be seen.
    void theHexMemoShowsItsSelectionOnlyWithTheFocus()
    {
        f = std::make_unique<WindowFixture>();
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        FirmwarePageDriver::loadThroughTheDialog(*f,
                                                 writeFile(u"firmware.hex"_s, ":00000001FF\r\n"));
        QPlainTextEdit *hex = memo(u"MHexFile"_s);
        hex->selectAll();
        const QColor highlight = hex->palette().color(QPalette::Active, QPalette::Highlight);
        const auto showsHighlight = [&] {
            const QImage image = hex->viewport()->grab().toImage();
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixelColor(x, y) == highlight)
                        return true;
                }
            }
            return false;
        };
        hex->setFocus();
        QTRY_VERIFY(hex->hasFocus());
        QVERIFY(showsHighlight());
        memo(u"Memo"_s)->setFocus();
        QTRY_VERIFY(!hex->hasFocus());
        QVERIFY(!showsHighlight());
    }

    void eachModeSendsExactlyItsBytes_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("stationOptions");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("received");
        QTest::newRow("characters") << u"chars"_s << QStringList{} << SmallHex << SmallHex;
        QTest::newRow("characters-no-final-crlf")
            << u"chars"_s << QStringList{} << SmallHex.chopped(2) << SmallHex.chopped(2);
        QTest::newRow("characters-special-read")
            << u"echo"_s << QStringList{u"--special-read"_s} << SmallHex << SmallHex;
        QTest::newRow("whole-text") << u"whole"_s << QStringList{} << SmallHex << SmallHex;
        QTest::newRow("whole-text-no-final-crlf")
            << u"whole"_s << QStringList{} << SmallHex.chopped(2) << SmallHex.chopped(2);
        QTest::newRow("direct") << u"direct"_s << QStringList{} << SmallHex
                                << withoutTerminators(SmallHex);
        QTest::newRow("direct-comm-stray-before-xon")
            << u"comm"_s << QStringList{u"--stray"_s, u"3"_s} << SmallHex
            << withoutTerminators(SmallHex);
        QTest::newRow("lf-file-goes-out-with-crlf")
            << u"chars"_s << QStringList{} << QByteArray(SmallHex).replace("\r\n", "\n")
            << SmallHex;
    }

    void eachModeSendsExactlyItsBytes()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, stationOptions);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, received);
        startStation(stationOptions);
        FirmwarePageDriver::setMode(*f, mode);
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, file));
        QCOMPARE(f->control<QLabel>(u"stLines"_s)->text(), u"Number of lines: 4"_s);
        uploadAndWait();
        // The last bytes are out of the port, not yet necessarily read by the station.
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), received, 3000);
        QVERIFY(button(u"sbTransmit"_s)->isEnabled());
        QVERIFY(!button(u"sbCancelTransmit"_s)->isEnabled());
        QVERIFY(f->messages.boxes.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    void anEmptyMemoSendsNothingAndStillLogs_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("characters") << u"chars"_s
                                    << QStringList{u"Start: 0.0 BaudRate:57600"_s,
                                                   u"End:00.00.000 BaudRate:57600"_s, QString()};
        QTest::newRow("direct") << u"direct"_s
                                << QStringList{u"Start: 0.0 BaudRate:57600"_s,
                                               u"End:00.00.000 BaudRate:57600"_s, QString()};
        QTest::newRow("direct-comm")
            << u"comm"_s
            << QStringList{u"Start: 0.0"_s, u"End:00.00.000 Seconds - BaudRate:57600"_s, QString()};
    }

    void anEmptyMemoSendsNothingAndStillLogs()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, log);
        startStation({});
        FirmwarePageDriver::setMode(*f, mode);
        const QDateTime fixed(QDate(2026, 12, 9), QTime(20, 0));
        page()->setClock([fixed] { return fixed; });
        uploadAndWait();
        QCOMPARE(sim->fetchCapture(), QByteArray());
        QCOMPARE(logLines(), log);
    }

    void logLinesAreMeasuredFromTheStart_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("log"); // each line ended, the last one too
        QTest::newRow("standard-keeps-what-came-before")
            << u"chars"_s
            << QStringList{u"station says hi"_s, u"Start: 0.0 BaudRate:57600"_s,
                           u"End:01.07.250 BaudRate:57600"_s, QString()};
        QTest::newRow("direct-summary-replaces-the-log")
            << u"direct"_s
            << QStringList{u"Start: 0.0 BaudRate:57600"_s, u"End:01.07.250 BaudRate:57600"_s,
                           QString()};
    }

    void logLinesAreMeasuredFromTheStart()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, log);
        startStation({});
        FirmwarePageDriver::setMode(*f, mode);
        f->control<QCheckBox>(u"cbShowFeedback"_s)->setChecked(true);
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, SmallHex));
        memo(u"Memo"_s)->setPlainText(u"station says hi"_s);
        // The first two readings are the start; every later one is 1 min 7.25 s on.
        const QDateTime start(QDate(2026, 12, 9), QTime(20, 0));
        auto readings = std::make_shared<int>(0);
        page()->setClock(
            [start, readings] { return ++*readings <= 2 ? start : start.addMSecs(67250); });
        uploadAndWait();
        QCOMPARE(logLines(), log);
    }

    void feedbackGrowsTheSelectionOverWhatWasSent()
    {
        startStation({});
        FirmwarePageDriver::setMode(*f, u"direct"_s);
        f->control<QCheckBox>(u"cbShowSelectionOnUpload"_s)->setChecked(true);
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, SmallHex));
        uploadAndWait();
        // The line breaks are not counted: the selection covers the lines' own characters.
        QCOMPARE(memo(u"MHexFile"_s)->textCursor().selectionEnd(),
                 int(withoutTerminators(SmallHex).size()));
        QCOMPARE(f->control<QProgressBar>(u"Gauge1"_s)->value(), 4);

        FirmwarePageDriver::setMode(*f, u"chars"_s);
        f->control<QCheckBox>(u"cbShowFeedback"_s)->setChecked(true);
        uploadAndWait();
        QCOMPARE(memo(u"MHexFile"_s)->textCursor().selectionEnd(),
                 memo(u"MHexFile"_s)->toPlainText().size());
        QCOMPARE(f->control<QProgressBar>(u"Gauge1"_s)->value(), SmallHex.size());
    }

    void endingTheLinkMidUploadLeavesASanePage_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("disconnect") << u"disconnect"_s;
        QTest::newRow("page-change") << u"page"_s;
    }

    // The converter pulled out mid-upload: tst_linkfaults::hangUpMidUploadThenReconnect.
    void endingTheLinkMidUploadLeavesASanePage()
    {
        QFETCH(QString, how);
        // Echoed characters pace the upload at the line's speed, so it is still running when
        // the link ends.
        startStation({u"--baud"_s, u"2400"_s, u"--special-read"_s});
        FirmwarePageDriver::setMode(*f, u"echo"_s);
        FirmwarePageDriver::loadThroughTheDialog(
            *f, writeFile(u"firmware.hex"_s, repeatedRecordHex(40)));
        f->messages.boxes.clear(); // the file's check is not what this test is about
        button(u"sbTransmit"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(f->control<QProgressBar>(u"Gauge1"_s)->value() > 10, 5000);
        QVERIFY(page()->isUploading());
        if (how == u"disconnect"_s)
            f->connect();
        else
            f->userSelectsPage(TfKorvant::PageLink);
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isUploading(), 5000);
        QVERIFY(!button(u"sbCancelTransmit"_s)->isEnabled());
        QCOMPARE(button(u"sbTransmit"_s)->isEnabled(), how == u"page"_s);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
    }

    // The whole-text mode hands the file to the port in one write: leaving the page must stop
    // what is still queued, or the station would go on storing a firmware the page calls ended.
    void aPageChangeStopsWhatTheWholeTextUploadQueued()
    {
        const int baud = 38400;
        startStation({u"--baud"_s, QString::number(baud)});
        FirmwarePageDriver::setMode(*f, u"whole"_s);
        const QByteArray big = repeatedRecordHex(3000);
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, big));
        f->messages.boxes.clear(); // the file's check is not what this test is about
        button(u"sbTransmit"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!sim->fetchCapture().isEmpty(), 5000);
        f->userSelectsPage(TfKorvant::PageLink);
        QVERIFY(!page()->isUploading());
        // What the line had already taken still arrives (a pseudo-terminal keeps 4 KiB, as a
        // converter's buffer would), so the capture grows for a while. It has settled once it
        // stayed the same for several line times of a kilobyte: were the file still going out,
        // bytes would come every millisecond.
        const int settledMs = QuietWatch::overLineTimes(1024, baud);
        qsizetype afterLeaving = -1;
        const auto steady = [&] {
            const qsizetype now = sim->fetchCapture().size();
            return std::exchange(afterLeaving, now) == now;
        };
        QTRY_VERIFY_WITH_TIMEOUT(QuietWatch::holdsFor(settledMs, steady), 10 * settledMs);
        QVERIFY(afterLeaving < big.size() / 4);
    }

    void loadingKeepsTheTextAndCountsLines_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("shown");
        QTest::newRow("utf8-mark")
            << QByteArray("\xEF\xBB\xBF:00000001FF\r\n") << u":00000001FF\n"_s;
        QTest::newRow("utf16-mark") << QByteArray("\xFF\xFE:\x00"
                                                  "0\x00"
                                                  "1\x00",
                                                  8)
                                    << u":01"_s;
        QTest::newRow("lone-cr") << QByteArray(":00000001FF\r:00000001FF")
                                 << u":00000001FF\n:00000001FF"_s;
    }

    void loadingKeepsTheTextAndCountsLines()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, shown);
        f = std::make_unique<WindowFixture>();
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, contents));
        QCOMPARE(memo(u"MHexFile"_s)->toPlainText(), shown);
    }

    void aBrokenFileIsNamedButKept()
    {
        f = std::make_unique<WindowFixture>();
        const QString path = writeFile(u"broken.hex"_s, ":0400000000308A0041\r\n:00000001FF\r\n");
        FirmwarePageDriver::loadThroughTheDialog(*f, path);
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY(f->messages.boxes.first().text.contains(u"Line 1: the checksum is 41"_s));
        QCOMPARE(f->control<QLineEdit>(u"eHexFile"_s)->text(), path);
        QCOMPARE(f->control<QLabel>(u"stLines"_s)->text(), u"Number of lines: 2"_s);
        QCOMPARE(f->control<QProgressBar>(u"Gauge1"_s)->maximum(), 2);
    }

    void cancellingTheDialogChangesNothing()
    {
        f = std::make_unique<WindowFixture>();
        FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"first.hex"_s, SmallHex));
        FileDialogs::setChooser([](const FileDialogs::Dialog &request) {
            return request.folder.endsWith(u"first.hex"_s) ? QString() : u"wrong"_s;
        });
        button(u"bbGetFile"_s)->click();
        FileDialogs::setChooser({});
        QVERIFY(f->control<QLineEdit>(u"eHexFile"_s)->text().endsWith(u"first.hex"_s));
        QCOMPARE(f->control<QLabel>(u"stLines"_s)->text(), u"Number of lines: 4"_s);
    }

    void anUnreadableFileIsReported()
    {
        f = std::make_unique<WindowFixture>();
        FirmwarePageDriver::loadThroughTheDialog(*f, files.filePath(u"missing.hex"_s));
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY(f->messages.boxes.first().text.contains(u"missing.hex"_s));
        QVERIFY(memo(u"MHexFile"_s)->toPlainText().isEmpty());
    }
};

QTEST_MAIN(tst_FirmwarePage)
#include "tst_firmwarepage.moc"
