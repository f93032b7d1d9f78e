// Faults on the serial line, end to end through the real window against the station simulator:
// the line hung up in the middle of each kind of upload and the window connecting again without
// a restart; boot loaders that stay silent, answer noise or double their XON; a flood of noise
// on every page that frames packets; malformed, noisy and chunked packets from the station.
#include "cv/cvprogrammingpage.h"
#include "firmware/firmwarepage.h"
#include "link/packetframer.h"
#include "link/portstatusbar.h"
#include "link/stationwire.h"
#include "support/firmwarepagedriver.h"
#include "support/hextext.h"
#include "support/ptyflood.h"
#include "support/quietwatch.h"
#include "support/simulatorprocess.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "turnouts/turnoutloadsavepage.h"
#include "turnouts/turnouttable.h"
#include "ui/colours.h"
#include "ui/memotext.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <atomic>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

// The bare turnout table as the encoder exports it: 800 characters.
QString turnoutTable()
{
    return TurnoutTable::memoryImageText(TurnoutTable::digits({}));
}

// Random bytes that never open a packet.
QByteArray noise(qsizetype size)
{
    QRandomGenerator random(20261209);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes) {
        do {
            b = char(random.bounded(256));
        } while (b == StationWire::PacketStart);
    }
    return bytes;
}

} // namespace

class tst_LinkFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;
    QTemporaryDir files;

    void startSimulator(const QStringList &options)
    {
        sim = std::make_unique<SimulatorProcess>(options);
        QVERIFY2(sim->start(), qPrintable(sim->errorOutput()));
    }

    void startWindow(int page)
    {
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()}});
        f->userSelectsPage(page);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    QAbstractButton *button(const QString &name) { return f->control<QAbstractButton>(name); }
    QPlainTextEdit *memo(const QString &name) { return f->control<QPlainTextEdit>(name); }
    FirmwarePage *firmwarePage() { return f->window->findChild<FirmwarePage *>(); }
    QLineEdit *cvValue(int cv) { return f->control<QLineEdit>(u"Edit%1"_s.arg(cv + 32)); }

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        return TestFiles::writeIn(files.path(), name, contents);
    }

    // The controls each kind of upload is started with and shown on.
    struct UploadControls
    {
        QString upload;
        QString cancel; // none on the Turnout Load/Save page
        QString memo;   // the one painted for the link's state
        QString gauge;
        bool memoLockedWhileUploading = false;
    };

    static UploadControls controlsOf(const QString &kind)
    {
        if (kind == u"firmware"_s)
            return {u"sbTransmit"_s, u"sbCancelTransmit"_s, u"Memo"_s, u"Gauge1"_s, false};
        if (kind == u"turnout"_s)
            return {u"sbUpload"_s, QString(), u"mMemoReceived"_s, u"Gauge2"_s, true};
        return {u"sbUploadCV"_s, u"sbCancelUploadCV"_s, u"mMemoCV"_s, u"Gauge3"_s, true};
    }

    QProgressBar *gauge(const QString &kind)
    {
        return f->control<QProgressBar>(controlsOf(kind).gauge);
    }

    // The page after its upload was cut short by the line going: nothing to start or cancel,
    // the memo grey and editable again, the gauge where the upload stopped.
    void verifyIdleWithTheLinkGone(const QString &kind)
    {
        const UploadControls controls = controlsOf(kind);
        QVERIFY(!button(controls.upload)->isEnabled());
        if (!controls.cancel.isEmpty())
            QVERIFY(!button(controls.cancel)->isEnabled());
        QCOMPARE(Colours::background(memo(controls.memo)), Colours::Silver);
        if (controls.memoLockedWhileUploading)
            QVERIFY(!memo(controls.memo)->isReadOnly());
        QVERIFY2(gauge(kind)->value() < gauge(kind)->maximum(),
                 qPrintable(QString::number(gauge(kind)->value())));
    }

    bool uploading(const QString &kind)
    {
        if (kind == u"firmware"_s)
            return firmwarePage()->isUploading();
        if (kind == u"turnout"_s)
            return f->window->findChild<TurnoutLoadSavePage *>()->isUploading();
        return f->window->findChild<CvProgrammingPage *>()->isUploading();
    }

    // Puts the page's text in place and starts its upload; gives what the station receives.
    QByteArray startUpload(const QString &kind, bool longRun)
    {
        if (kind == u"firmware"_s) {
            FirmwarePageDriver::setMode(*f, u"echo"_s);
            const QByteArray hex = longRun ? repeatedRecordHex(40) : SmallHex;
            FirmwarePageDriver::loadThroughTheDialog(*f, writeFile(u"firmware.hex"_s, hex));
            f->messages.boxes.clear(); // the long file's repeated address is not the point
            button(u"sbTransmit"_s)->click();
            return hex;
        }
        if (kind == u"turnout"_s) {
            // Far more than the line's buffers hold, so a paced upload runs for seconds.
            const QString text = turnoutTable().repeated(longRun ? 40 : 1);
            memo(u"mMemoReceived"_s)->setPlainText(text);
            button(u"sbUpload"_s)->click();
            return StationWire::bytesFromChars(text);
        }
        f->control<RadioGroup>(u"rgCvSelect"_s)
            ->findChildren<QRadioButton *>()
            .at(CvProgrammingPage::OptionSelectAll)
            ->click();
        button(u"sbUploadCV"_s)->click();
        return StationWire::bytesFromChars(MemoText::wireText(memo(u"mMemoCV"_s)));
    }

    // Each kind of upload against a station that paces the line, so that it is still running
    // when the test acts on it.
    static void addPacedUploadRows()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("firmware") << u"firmware"_s
                                  << QStringList{u"--bootloader"_s, u"--special-read"_s,
                                                 u"--baud"_s, u"2400"_s};
        QTest::newRow("turnout") << u"turnout"_s << QStringList{u"--baud"_s, u"9600"_s};
        QTest::newRow("cv") << u"cv"_s << QStringList{u"--baud"_s, u"9600"_s};
    }

    static int pageOf(const QString &kind)
    {
        if (kind == u"firmware"_s)
            return TfKorvant::PageFirmware;
        return kind == u"turnout"_s ? TfKorvant::PageTurnout : TfKorvant::PageCVProgramming;
    }

    // This process's resident memory, from the kernel's own count.
    static qint64 residentKiB()
    {
        QFile status(u"/proc/self/status"_s);
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
        return 0;
    }

    // Writes bytes into the window's port from a thread of its own, so the window reads them
    // as they come however many there are; bounded.
    void feedFromAnotherThread(const QByteArray &bytes)
    {
        std::atomic<bool> written = false;
        std::thread writer([&] {
            f->pty.write(bytes);
            written = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(written, 60000);
        writer.join();
    }

private Q_SLOTS:
    void cleanup()
    {
        f.reset();
        sim.reset();
    }

    void hangUpMidUploadThenReconnect_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("hangingUp"); // the first station's options
        QTest::addColumn<QStringList>("healthy");   // the station connected to afterwards
        QTest::newRow("firmware") << u"firmware"_s
                                  << QStringList{u"--bootloader"_s,   u"--special-read"_s,
                                                 u"--baud"_s,         u"2400"_s,
                                                 u"--hangup-after"_s, u"200"_s}
                                  << QStringList{u"--bootloader"_s, u"--special-read"_s};
        QTest::newRow("turnout") << u"turnout"_s
                                 << QStringList{u"--baud"_s, u"9600"_s, u"--hangup-after"_s,
                                                u"2000"_s}
                                 << QStringList{};
        QTest::newRow("cv") << u"cv"_s << QStringList{u"--hangup-after"_s, u"60"_s}
                            << QStringList{};
    }

    void hangUpMidUploadThenReconnect()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, hangingUp);
        QFETCH(QStringList, healthy);
        startSimulator(hangingUp);
        startWindow(pageOf(kind));
        startUpload(kind, true);
        QVERIFY(uploading(kind));
        QTRY_VERIFY_WITH_TIMEOUT(!f->window->state().LinkOpen, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!uploading(kind), 2000);
        // A second notice would come from a read or write of the ended upload: give its
        // time-outs several turns.
        const int readMs = QuietWatch::oneCharacterReadMs(f->window->port());
        QVERIFY(QuietWatch::holdsFor(QuietWatch::overPeriods(readMs),
                                     [&] { return f->messages.boxes.size() == 1; }));
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.texts().first().startsWith(u"The connection to "_s),
                 qPrintable(f->messages.texts().first()));
        QCOMPARE(button(u"Button_Open"_s)->text(), u"&Connect"_s);
        QVERIFY(!QApplication::overrideCursor());
        verifyIdleWithTheLinkGone(kind);

        // The converter is plugged in again: same window, no restart.
        f->messages.boxes.clear();
        startSimulator(healthy);
        f->window->port().setPort(sim->ptyPath());
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
        const QByteArray sent = startUpload(kind, false);
        QVERIFY(uploading(kind));
        QTRY_VERIFY_WITH_TIMEOUT(!uploading(kind), 20000);
        if (kind == u"turnout"_s)
            QVERIFY(!sim->waitForLine(u"turnouts stored"_s).isNull());
        QTRY_VERIFY_WITH_TIMEOUT(sim->fetchCapture().endsWith(sent), 3000);
        QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
    }

    void closingTheWindowMidUploadEndsIt_data() { addPacedUploadRows(); }

    // Quitting ends the upload while its port is still there; shut-down goes on as ever.
    void closingTheWindowMidUploadEndsIt()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, options);
        startSimulator(options);
        startWindow(pageOf(kind));
        startUpload(kind, true);
        // Closed once the upload has put bytes on the line, not before its first write.
        QTRY_VERIFY_WITH_TIMEOUT(gauge(kind)->value() > 0, 5000);
        QVERIFY(uploading(kind));
        QVERIFY(!button(controlsOf(kind).upload)->isEnabled());
        const QString store = f->home.filePath(u"config/Quendrel/Korvant.json"_s);
        QFile::remove(store);
        f->window.reset();
        QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(TestFiles::read(store).contains(sim->ptyPath().toUtf8()));
        QVERIFY(sim->isRunning());
    }

    void stopKeyLeavesAnUploadWhole_data() { addPacedUploadRows(); }

    void stopKeyLeavesAnUploadWhole()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, options);
        startSimulator(options);
        startWindow(pageOf(kind));
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        const QByteArray sent = startUpload(kind, false);
        QVERIFY(uploading(kind));
        QTest::keyClick(f->window.get(), Qt::Key_Escape);
        QTest::keyClick(f->window.get(), Qt::Key_Pause);
        QTRY_VERIFY_WITH_TIMEOUT(!uploading(kind), 20000);
        QByteArray captured;
        QTRY_VERIFY_WITH_TIMEOUT((captured = sim->fetchCapture()).endsWith(sent), 3000);
        QVERIFY2(!captured.contains(":E000"), captured.constData());
        QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
        QVERIFY(f->window->portStatusBar()->currentMessage().startsWith(
            u"An upload is running: the stop key sends nothing"_s));
    }

    void bootLoaderFaults_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("answers"); // with XON, however odd
        QTest::newRow("silent") << QStringList{u"--silent"_s} << false;
        QTest::newRow("noise-instead-of-xon") << QStringList{u"--noise-for-xon"_s, u"6"_s} << false;
        // The boot loader takes 30 ms to write each line and says XON twice after it: each
        // line must wait for its own answer, never take the spare one.
        QTest::newRow("doubled-xon")
            << QStringList{u"--double-xon"_s, u"--xon-delay"_s, u"30"_s} << true;
    }

    void bootLoaderFaults()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, answers);
        startSimulator(options << u"--bootloader"_s);
        startWindow(TfKorvant::PageFirmware);
        const int patienceMs = 300;
        firmwarePage()->setAnswerPatience(patienceMs);
        FirmwarePageDriver::setMode(*f, u"direct"_s);
        const QString path = writeFile(u"firmware.hex"_s, SmallHex);
        FirmwarePageDriver::loadThroughTheDialog(*f, path);
        button(u"sbTransmit"_s)->click();
        QVERIFY(firmwarePage()->isUploading());
        const QString notice = u"No XON from the boot loader for 0.3 s after line 1"_s;
        if (answers) {
            QTRY_VERIFY_WITH_TIMEOUT(!firmwarePage()->isUploading(), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), withoutTerminators(SmallHex), 3000);
            QVERIFY2(sim->waitForLine(u"overrun"_s, 0).isNull(), "a line came before its XON");
            QCOMPARE(memo(u"Memo"_s)->toPlainText().split(u'\n').size(), 3); // two ended lines
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(memo(u"Memo"_s)->toPlainText().contains(notice), 5000);
            // The wait goes on, and the notice is not repeated, for several more patiences.
            QVERIFY(QuietWatch::holdsFor(QuietWatch::overPeriods(patienceMs), [&] {
                return memo(u"Memo"_s)->toPlainText().count(u"No XON"_s) == 1 &&
                       firmwarePage()->isUploading();
            }));
            QCOMPARE(memo(u"Memo"_s)->toPlainText().count(u"No XON"_s), 1);
            // Nor does a read's time-out end the wait.
            QVERIFY(QuietWatch::readTimeOutsPass(f->window->port(), 3));
            QVERIFY(firmwarePage()->isUploading());
            QCOMPARE(sim->fetchCapture(), QByteArray(":020000040000FA"));
            button(u"sbCancelTransmit"_s)->click();
            QVERIFY(!firmwarePage()->isUploading());
            QVERIFY(button(u"sbTransmit"_s)->isEnabled());
            QVERIFY(!button(u"sbCancelTransmit"_s)->isEnabled());
            QCOMPARE(f->control<QProgressBar>(u"Gauge1"_s)->value(), 0);
            // The summary replaces the log, the notice with it: two ended lines.
            QCOMPARE(memo(u"Memo"_s)->toPlainText().split(u'\n').size(), 3);
            QCOMPARE(sim->fetchCapture(), QByteArray(":020000040000FA"));
        }
        QVERIFY(f->messages.boxes.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(TestFiles::read(path), SmallHex);
    }

    void noiseFloodOnEveryRoutedPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("turnout") << int(TfKorvant::PageTurnout);
        QTest::newRow("cv") << int(TfKorvant::PageCVProgramming);
        QTest::newRow("link") << int(TfKorvant::PageLink);
    }

    void noiseFloodOnEveryRoutedPage()
    {
        QFETCH(int, page);
        f = std::make_unique<WindowFixture>();
        f->userSelectsPage(page);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
        const QString turnoutMemo = memo(u"mMemoReceived"_s)->toPlainText();
        const QString cvMemo = memo(u"mMemoCV"_s)->toPlainText();

        feedFromAnotherThread(noise(1024 * 1024));
        QTRY_COMPARE_WITH_TIMEOUT(f->window->port().inputCount(), 0, 5000);
        // Nothing of the noise is kept beyond the framer's bound, nor shown anywhere.
        QVERIFY(f->window->packetFramer().bufferedText().size() < TComDataPacket::MaxBufferSize);
        QCOMPARE(memo(u"mMemoReceived"_s)->toPlainText(), turnoutMemo);
        QCOMPARE(memo(u"mMemoCV"_s)->toPlainText(), cvMemo);
        QVERIFY(f->messages.boxes.isEmpty());

        // The next good packet is framed and reaches the page.
        if (page == TfKorvant::PageTurnout) {
            QVERIFY(f->pty.write("$:03,04\r\n%"));
            QTRY_COMPARE_WITH_TIMEOUT(memo(u"mMemoReceived"_s)->toPlainText(), u":03,04\n"_s, 3000);
        } else if (page == TfKorvant::PageCVProgramming) {
            QVERIFY(f->pty.write("$C1D=03\r\n%"));
            QTRY_COMPARE_WITH_TIMEOUT(cvValue(29)->text(), u"3"_s, 3000);
        } else {
            QVERIFY(f->pty.write("$0500000000000000000000000000%"));
            QTRY_COMPARE_WITH_TIMEOUT(f->control<QToolButton>(u"bbDirLoc1"_s)->text(),
                                      u"Loco 5\r\n000"_s, 3000);
        }
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void floodOnAPageThatDoesNotRead_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("turnout-decoder") << int(TfKorvant::PageTurnoutDecoder);
        QTest::newRow("turnout-encoder") << int(TfKorvant::PageTurnoutEncoder);
        QTest::newRow("admin") << int(TfKorvant::PageAdmin);
    }

    // No page here reads the line: a station that keeps sending fills what the port holds
    // (the input buffer size, "seBufferIn") and then the system's buffer; the rest of 10 MB
    // waits at the station's side. The memory held stays that small.
    void floodOnAPageThatDoesNotRead()
    {
        QFETCH(int, page);
        const int bufferIn = 4096;
        f = std::make_unique<WindowFixture>();
        f->control<QSpinBox>(u"seBufferIn"_s)->setValue(bufferIn); // applied at the connect
        f->userSelectsPage(page);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
        const QByteArray flood = noise(10 * 1024 * 1024);
        const qint64 before = residentKiB();
        const qsizetype taken = PtyFlood::offer(f->pty, flood, 300);
        qInfo("10 MB offered: %lld bytes taken, %d held by the port, resident memory %+lld KiB",
              static_cast<long long>(taken), f->window->port().inputCount(),
              static_cast<long long>(residentKiB() - before));
        QVERIFY2(taken < flood.size() / 10, qPrintable(QString::number(taken)));
        QCOMPARE(f->window->port().inputCount(), bufferIn);
        QVERIFY(f->window->state().LinkOpen);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void packetsFromAFaultyStation_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("malformed"); // every second packet
        const QStringList malformed{u"--malformed"_s, u"2"_s};
        const QStringList noisy{u"--noise"_s, u"40"_s,          u"--chunk"_s,
                                u"3"_s,       u"--chunk-gap"_s, u"0"_s};
        QTest::newRow("link-malformed") << int(TfKorvant::PageLink) << malformed << true;
        QTest::newRow("link-noisy-chunks") << int(TfKorvant::PageLink) << noisy << false;
        QTest::newRow("cv-malformed") << int(TfKorvant::PageCVProgramming) << malformed << true;
        QTest::newRow("cv-noisy-chunks") << int(TfKorvant::PageCVProgramming) << noisy << false;
        QTest::newRow("turnout-malformed") << int(TfKorvant::PageTurnout) << malformed << true;
        QTest::newRow("turnout-noisy-chunks") << int(TfKorvant::PageTurnout) << noisy << false;
    }

    void packetsFromAFaultyStation()
    {
        QFETCH(int, page);
        QFETCH(QStringList, options);
        QFETCH(bool, malformed);
        startSimulator(options << u"--addresses"_s << u"7,4,5,6"_s);
        startWindow(page);
        const QString ignored = u"Received data ignored: "_s;
        if (page == TfKorvant::PageLink) {
            auto *caption = f->control<QToolButton>(u"bbDirLoc1"_s);
            QVERIFY(sim->command(u"status"_s, u"status sent"_s));
            QTRY_COMPARE_WITH_TIMEOUT(caption->text(), u"Loco 7\r\n000"_s, 3000);
            f->control<QSlider>(u"tbSpeedLoco1"_s)->setValue(5); // answered by packet 2
            if (malformed) {
                QTRY_VERIFY_WITH_TIMEOUT(
                    f->window->portStatusBar()->currentMessage().startsWith(ignored), 3000);
                QVERIFY(!f->window->state().StatusUpdating);
            } else {
                QTRY_COMPARE_WITH_TIMEOUT(caption->text(), u"Loco 7\r\n005"_s, 3000);
            }
            f->control<QSlider>(u"tbSpeedLoco1"_s)->setValue(9); // packet 3: reception goes on
            QTRY_COMPARE_WITH_TIMEOUT(caption->text(), u"Loco 7\r\n009"_s, 3000);
        } else if (page == TfKorvant::PageCVProgramming) {
            f->control<RadioGroup>(u"rgCvSelect"_s)
                ->findChildren<QRadioButton *>()
                .at(CvProgrammingPage::OptionSelectAll)
                ->click();
            button(u"sbUploadCV"_s)->click();
            // The upload runs on the event loop: let it end before waiting on the station.
            QTRY_VERIFY_WITH_TIMEOUT(!uploading(u"cv"_s), 10000);
            QVERIFY(!sim->waitForLine(u"cv answered"_s, 10000).isNull());
            // The station answers CV n with its n-th packet: the even ones come malformed.
            QTRY_VERIFY_WITH_TIMEOUT(!cvValue(255)->text().isEmpty(), 10000);
            for (int cv = 1; cv <= 255; ++cv)
                QCOMPARE(cvValue(cv)->text().isEmpty(), malformed && cv % 2 == 0);
            if (malformed)
                QVERIFY(f->window->portStatusBar()->currentMessage().startsWith(ignored));
        } else {
            QVERIFY(sim->command(u"turnouts"_s, u"turnouts sent"_s));
            QTRY_COMPARE_WITH_TIMEOUT(MemoText::wireText(memo(u"mMemoReceived"_s)).count(u"\r\n"_s),
                                      16, 5000);
            // What came is shown as it came; the malformed lines are there for the user to see.
            const QStringList lines = MemoText::lines(memo(u"mMemoReceived"_s));
            QCOMPARE(lines.size(), 16);
            for (int i = 0; i < lines.size(); ++i) {
                QCOMPARE(lines.at(i).size(), 48);
                QCOMPARE(lines.at(i).at(1) == u'G', malformed && i % 2 == 1);
            }
        }
        QVERIFY(f->messages.boxes.isEmpty());
        QVERIFY(f->window->state().LinkOpen);
    }
};

QTEST_MAIN(tst_LinkFaults)
#include "tst_linkfaults.moc"
