#include "admin/configpage.h"
#include "link/stationwire.h"
#include "support/windowfixture.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

using namespace Qt::Literals::StringLiterals;

// The instruction channel and the receive path of the real window over a pseudo-terminal.
class tst_ReceivePath : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;

    QPlainTextEdit *memo(const QString &name) { return f->control<QPlainTextEdit>(name); }

private Q_SLOTS:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void instructionPutsExactlyItsFiveBytesOnTheLine_data()
    {
        QTest::addColumn<int>("txProtocol");
        QTest::newRow("synchronous") << 0;
        QTest::newRow("asynchronous") << 1;
    }

    void instructionPutsExactlyItsFiveBytesOnTheLine()
    {
        QFETCH(int, txProtocol);
        const QList<QRadioButton *> radios =
            f->control<QWidget>(u"rgTXProtocol"_s)->findChildren<QRadioButton *>();
        radios.at(txProtocol)->setChecked(true);
        f->connect();
        f->window->DoInstruction(u":E000"_s);
        QCOMPARE(f->pty.readAvailable(5), QByteArray("\x3A\x45\x30\x30\x30"));
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    void silentWhileAStatusIsBeingApplied()
    {
        f->connect();
        f->window->state().StatusUpdating = true;
        f->window->DoInstruction(u":E000"_s);
        QVERIFY(f->window->state().StatusUpdating);
        QCOMPARE(f->pty.drain(), QByteArray());
        f->window->state().StatusUpdating = false;
    }

    void closedPortFailsWithPurgeCommAndClearsTheFlag()
    {
        try {
            f->window->DoInstruction(u":E000"_s);
            QFAIL("no error");
        } catch (const KorvantError &e) {
            QCOMPARE(e.message(), u"PurgeComm function failed (Error: 9)"_s);
        }
        QVERIFY(!f->window->state().StatusUpdating);
        // Through a control, the error reaches the general error box once per action.
        f->userSelectsPage(TfKorvant::PageLink);
        f->control<QAbstractButton>(u"bbEmergencyStop"_s)->click();
        QCOMPARE(f->messages.texts(), QStringList{u"PurgeComm function failed (Error: 9)"_s});
    }

    void queuedInputIsDiscardedByAnInstruction()
    {
        f->userSelectsPage(TfKorvant::PageAdmin); // nothing routed: bytes wait in the port
        f->connect();
        QSignalSpy rx(&f->window->port(), &TComPort::rxChar);
        QVERIFY(f->pty.write("stale"));
        QVERIFY(rx.wait(2000));
        f->window->DoInstruction(u":H000"_s);
        QCOMPARE(f->window->port().inputCount(), 0);
    }

    void startUpAttachesNothing()
    {
        QVERIFY(!f->window->packetFramer().isAttached());
        QVERIFY(!f->window->port().hasDataSink());
        QCOMPARE(f->window->packetFramer().size(), 0);
    }

    void routingByPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("attached");
        QTest::addColumn<int>("size");
        QTest::newRow("firmware-detached") << int(TfKorvant::PageFirmware) << false << 0;
        QTest::newRow("turnout-52") << int(TfKorvant::PageTurnout) << true << 52;
        QTest::newRow("cv-10") << int(TfKorvant::PageCVProgramming) << true << 10;
        QTest::newRow("link-30") << int(TfKorvant::PageLink) << true << 30;
        QTest::newRow("decoder-unchanged") << int(TfKorvant::PageTurnoutDecoder) << false << 0;
    }

    void routingByPage()
    {
        QFETCH(int, page);
        QFETCH(bool, attached);
        QFETCH(int, size);
        f->userSelectsPage(TfKorvant::PageAdmin);
        f->userSelectsPage(page);
        QCOMPARE(f->window->packetFramer().isAttached(), attached);
        QCOMPARE(f->window->port().hasDataSink(), attached);
        QCOMPARE(f->window->packetFramer().size(), size);
        if (attached) {
            QCOMPARE(f->window->packetFramer().startString(), u"$"_s);
            QCOMPARE(f->window->packetFramer().stopString(), u"%"_s);
            QVERIFY(f->window->packetFramer().caseInsensitive());
        }
    }

    void unroutedPagesKeepTheRoutingAndAPartialPacket()
    {
        f->userSelectsPage(TfKorvant::PageTurnout);
        f->connect();
        QVERIFY(f->pty.write("$AB"));
        QTRY_VERIFY_WITH_TIMEOUT(f->window->packetFramer().isInPacket(), 2000);
        f->userSelectsPage(TfKorvant::PageAdmin);
        f->userSelectsPage(TfKorvant::PageTurnout);
        QVERIFY(f->pty.write("C%"));
        QTRY_COMPARE_WITH_TIMEOUT(memo(u"mMemoReceived"_s)->toPlainText(), u"ABC"_s, 2000);
    }

    void turnoutPacketsAreAppendedWithoutSeparator()
    {
        f->userSelectsPage(TfKorvant::PageTurnout);
        f->connect();
        QVERIFY(f->pty.write("xyz$ABC%"));
        QTRY_COMPARE_WITH_TIMEOUT(memo(u"mMemoReceived"_s)->toPlainText(), u"ABC"_s, 2000);
        QVERIFY(f->pty.write("$:00,01\r\n%"));
        QTRY_COMPARE_WITH_TIMEOUT(memo(u"mMemoReceived"_s)->toPlainText(), u"ABC:00,01\n"_s, 2000);
    }

    void firmwarePageShowsWhatTheStationSends()
    {
        f->connect();
        f->userSelectsPage(TfKorvant::PageFirmware);
        QPlainTextEdit *log = memo(u"Memo"_s);
        log->setPlainText(u"old"_s);
        QVERIFY(f->pty.write("\r\rOK"));
        QTRY_COMPARE_WITH_TIMEOUT(log->toPlainText(), u"\n\nOK"_s, 2000);
        QVERIFY(f->pty.write("OK"));
        QTRY_COMPARE_WITH_TIMEOUT(log->toPlainText(), u"\n\nOKOK"_s, 2000);
        QVERIFY(f->pty.write("\xe9"));
        QTRY_COMPARE_WITH_TIMEOUT(log->toPlainText(), u"\n\nOKOK\u00e9"_s, 2000);
    }

    void firmwarePageLeavesBytesForARunningUpload_data()
    {
        QTest::addColumn<bool>("receiveEventMode");
        QTest::addColumn<int>("leftInPort");
        QTest::newRow("event-mode-off-leaves-them") << false << 4;
        QTest::newRow("event-mode-on-drops-them") << true << 0;
    }

    void firmwarePageLeavesBytesForARunningUpload()
    {
        QFETCH(bool, receiveEventMode);
        QFETCH(int, leftInPort);
        f->control<QCheckBox>(u"cbOnRxEvent"_s)->setChecked(receiveEventMode);
        f->connect();
        f->control<QWidget>(u"sbTransmit"_s)->setEnabled(false); // as during an upload
        QSignalSpy rx(&f->window->port(), &TComPort::rxChar);
        QVERIFY(f->pty.write("\x11\x11\x11\x11"));
        QVERIFY(rx.wait(2000));
        QTRY_COMPARE_WITH_TIMEOUT(f->window->port().inputCount(), leftInPort, 2000);
        QVERIFY(memo(u"Memo"_s)->toPlainText().isEmpty());
    }

    void showMemoReceivedListsAFullImage()
    {
        QPlainTextEdit *cv = memo(u"mMemoCV"_s);
        TfKorvant::ShowMemoReceived(cv, u"0304"_s);
        const QStringList lines = cv->toPlainText().split(u'\n');
        QCOMPARE(lines.first(), u":03,04,00,00,00,00,00,00,00,00,00,00,00,00,00,00"_s);
        QCOMPARE(lines.size(), 17);
        QCOMPARE(lines.at(15), u":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00"_s);
        QCOMPARE(lines.at(16), QString());
    }
};

QTEST_MAIN(tst_ReceivePath)
#include "tst_receivepath.moc"
