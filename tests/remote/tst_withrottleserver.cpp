#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "support/simulatorprocess.h"
#include "support/throttleclient.h"
#include "support/windowfixture.h"

#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QSlider>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the four slots of the simulator below give a phone.
const QByteArray Roster =
    "RL4]\\[Loco 3}|{3}|{S]\\[Loco 4}|{4}|{S]\\[Loco 5}|{5}|{S]\\[Loco 6}|{6}|{S";
// Loco 3 in slot 1 (31 steps) as a phone first sees it: stopped, lamps off, forward.
const QList<QByteArray> Loco3Acquired{
    "MT+S3<;>",    "MTLS3<;>]\\[Headlight]\\[F1]\\[F2]\\[F3]\\[F4",
    "MTAS3<;>F00", "MTAS3<;>F01",
    "MTAS3<;>F02", "MTAS3<;>F03",
    "MTAS3<;>F04", "MTAS3<;>V0",
    "MTAS3<;>R1",  "MTAS3<;>s2"};
const QByteArray NotConnected = "HMThe station is not connected.";
const QByteArray TakenAgain = "HmThe desk takes remote throttles again.";
const QByteArray Elsewhere = "HMThe Link page is not chosen at the desk, so the station's reports "
                             "of its locos are not read.";

} // namespace

// Phones' throttle apps against the real window driving the station simulator: what they ask
// for goes on the wire as the Link page's own instructions, and what the station reports comes
// back to every phone that holds the loco.
class tst_WiThrottleServer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;
    quint16 port = 0;

    WiThrottleServer &server() { return f->window->withrottleServer(); }
    RemoteThrottle &throttle() { return f->window->remoteThrottle(); }

    void openLink()
    {
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    // The station reports only when it is told something; the simulator can be asked to.
    void stationReports()
    {
        QVERIFY(sim->command(u"status"_s, u"status sent"_s));
        QTRY_VERIFY_WITH_TIMEOUT(throttle().hasStatus(), 5000);
    }

    void connectClient(ThrottleClient &client, const QByteArray &roster = Roster)
    {
        QVERIFY(client.connectTo(port));
        QCOMPARE(client.take(3), QList<QByteArray>({"VN2.0", roster, "*10"}));
    }

    void acquireLoco3(ThrottleClient &client)
    {
        client.send("MT+S3<;>S3");
        QCOMPARE(client.take(Loco3Acquired.size()), Loco3Acquired);
    }

    // The link open, the station heard from, and the phone holding loco 3.
    void driveLoco3(ThrottleClient &phone)
    {
        openLink();
        stationReports();
        connectClient(phone);
        acquireLoco3(phone);
    }

    // Waits until the station has answered: its report shows the speed.
    void waitForSpeed(int slot, int speed)
    {
        QTRY_COMPARE_WITH_TIMEOUT(throttle().slot(slot).speed, speed, 5000);
    }

private Q_SLOTS:
    void init()
    {
        sim = std::make_unique<SimulatorProcess>(
            QStringList{u"--addresses"_s, u"3,4,5,6"_s, u"--speed-steps"_s, u"31,31,128,14"_s});
        QVERIFY(sim->start());
        port = freeTcpPort();
        QVERIFY(port != 0);
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()},
                                                        {u"RemoteWiThrottle"_s, 1},
                                                        {u"RemoteWiThrottlePort"_s, int(port)}});
        QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
        QVERIFY(server().isListening());
        QCOMPARE(server().serverPort(), port);
        f->userSelectsPage(TfKorvant::PageLink);
    }

    void cleanup()
    {
        if (f)
            QVERIFY2(f->messages.boxes.isEmpty(), qPrintable(f->messages.texts().join(u'\n')));
        f.reset();
        sim.reset();
    }

    void aPhoneDrivesLoco3()
    {
        openLink();
        ThrottleClient phone;
        // Before the station's first report there is nothing to drive; the roster follows it.
        connectClient(phone, "RL0");
        stationReports();
        QCOMPARE(phone.takeOne(), Roster);
        phone.send("NPhone A");
        phone.send("HU1234abcd");
        QCOMPARE(phone.takeOne(), QByteArray("*10"));
        acquireLoco3(phone);
        QCOMPARE(server().holderCount(3), 1);

        // 63 of 126 is step 16 of 31; the report of 16 is what the phone shows, so no echo.
        phone.send("MTAS3<;>V63");
        waitForSpeed(1, 16);
        // F2 is a toggle at the station: it goes out, and the report lights it on the phone.
        phone.send("MTAS3<;>F12");
        QCOMPARE(phone.takeOne(), QByteArray("MTAS3<;>F12"));
        phone.send("MTAS3<;>F02"); // the button let go: nothing for a toggle
        phone.send("MTAS3<;>X");
        QCOMPARE(phone.take(2),
                 QList<QByteArray>({"HMEmergency stop from Phone A: every loco on the station "
                                    "stops.",
                                    "MTAS3<;>V0"}));
        QCOMPARE(sim->fetchCapture(), QByteArray(":S110:F200:E000"));
        QCOMPARE(f->control<QSlider>(u"tbSpeedLoco1"_s)->value(), 0);
    }

    void changesFromTheLinkPageAndOtherPhonesArePushed()
    {
        openLink();
        stationReports();
        ThrottleClient a;
        ThrottleClient b;
        connectClient(a);
        connectClient(b);
        a.send("NPhone A");
        QCOMPARE(a.takeOne(), QByteArray("*10"));
        acquireLoco3(a);
        b.send("MT+S3<;>S3");
        QCOMPARE(b.take(Loco3Acquired.size() + 1),
                 Loco3Acquired + QList<QByteArray>{"HmLoco 3 is also driven from Phone A."});

        f->control<QSlider>(u"tbSpeedLoco1"_s)->setValue(5);
        QCOMPARE(a.takeOne(), QByteArray("MTAS3<;>V20"));
        QCOMPARE(b.takeOne(), QByteArray("MTAS3<;>V20"));
        a.send("MTAS3<;>R0");
        QCOMPARE(a.takeOne(), QByteArray("MTAS3<;>R0"));
        QCOMPARE(b.takeOne(), QByteArray("MTAS3<;>R0"));
        // A loco it gave back is no longer pushed to that phone.
        b.send("MT-S3<;>r");
        QCOMPARE(b.takeOne(), QByteArray("MT-S3<;>"));
        QTRY_COMPARE(server().holderCount(3), 1);
        a.send("MTAS3<;>f10");
        QCOMPARE(a.takeOne(), QByteArray("MTAS3<;>F10"));
        // Asked for what it already is, nothing goes out.
        a.send("MTAS3<;>f10");
        a.send("MTAS3<;>qR");
        QCOMPARE(a.takeOne(), QByteArray("MTAS3<;>R0"));
        QCOMPARE(sim->fetchCapture(), QByteArray(":S105:D000:H000"));
        QCOMPARE(b.waiting(), 0);
    }

    void refusedWhileTheLinkIsClosed()
    {
        ThrottleClient phone;
        connectClient(phone, "RL0");
        QCOMPARE(phone.takeOne(), NotConnected);
        phone.send("MT+S3<;>S3");
        QCOMPARE(phone.takeOne(), NotConnected);
        QCOMPARE(server().holderCount(3), 0);

        openLink();
        QCOMPARE(phone.takeOne(), TakenAgain);
        stationReports();
        QCOMPARE(phone.takeOne(), Roster);
        acquireLoco3(phone);
        phone.send("MTAS3<;>V40");
        waitForSpeed(1, 10);
        f->connect(); // "&Disconnect"
        QVERIFY(!f->window->state().LinkOpen);
        QCOMPARE(phone.takeOne(), NotConnected);
        // Said once, not for every move of the slider.
        phone.send("MTAS3<;>V80");
        phone.send("MTAS3<;>F11");
        phone.send("MTAS3<;>qV");
        QCOMPARE(phone.takeOne(), QByteArray("MTAS3<;>V41"));
        QCOMPARE(sim->fetchCapture(), QByteArray(":S10A"));
    }

    void refusedWhileAnotherPagesRoutingIsInForce()
    {
        ThrottleClient phone;
        driveLoco3(phone);
        // The station's answer would land on the Turnout page, in the user's turnout text.
        f->userSelectsPage(TfKorvant::PageTurnout);
        QCOMPARE(phone.takeOne(), Elsewhere);
        phone.send("MTAS3<;>V50");
        phone.send("MTAS3<;>qV");
        QCOMPARE(phone.takeOne(), QByteArray("MTAS3<;>V0"));
        // Pages without a routing of their own keep the one before.
        f->userSelectsPage(TfKorvant::PageTurnoutDecoder);
        f->userSelectsPage(TfKorvant::PageLink);
        QCOMPARE(phone.takeOne(), TakenAgain);
        phone.send("MTAS3<;>V50");
        QCOMPARE(phone.takeOne(), QByteArray("HMThe station has not reported its locos yet."));
        QCOMPARE(sim->fetchCapture(), QByteArray());
    }

    void refusedWhileAnUploadRuns()
    {
        ThrottleClient phone;
        driveLoco3(phone);
        f->userSelectsPage(TfKorvant::PageTurnout);
        QCOMPARE(phone.takeOne(), Elsewhere);
        f->control<QPlainTextEdit>(u"mMemoReceived"_s)->setPlainText(u"A 05/07|"_s);
        f->control<QAbstractButton>(u"sbUpload"_s)->click();
        QCOMPARE(phone.takeOne(), QByteArray("HMAn upload is running."));
        QCOMPARE(phone.takeOne(), Elsewhere);
        QCOMPARE(sim->fetchCapture(), QByteArray("A 05/07|"));
    }

    void aLostPhonesLocosStop_data()
    {
        QTest::addColumn<QByteArray>("leaving");
        QTest::addColumn<QByteArray>("speedAfter");
        QTest::addColumn<QByteArray>("wire");
        // A phone that goes without a word left its train running: it is stopped.
        QTest::newRow("connection-lost")
            << QByteArray() << QByteArray("MTAS3<;>V0") << QByteArray(":S110:S100:S102");
        // One that said goodbye left it as it meant to.
        QTest::newRow("quit") << QByteArray("Q") << QByteArray("MTAS3<;>V65")
                              << QByteArray(":S110:S102");
    }

    void aLostPhonesLocosStop()
    {
        QFETCH(QByteArray, leaving);
        QFETCH(QByteArray, speedAfter);
        QFETCH(QByteArray, wire);
        openLink();
        stationReports();
        ThrottleClient phone;
        ThrottleClient other;
        connectClient(phone);
        connectClient(other);
        acquireLoco3(phone);
        phone.send("MTAS3<;>V63");
        waitForSpeed(1, 16);
        if (leaving.isEmpty())
            phone.socket.abort();
        else
            phone.send(leaving);
        QTRY_COMPARE(server().clientCount(), 1);
        QCOMPARE(server().holderCount(3), 0);
        if (leaving.isEmpty())
            waitForSpeed(1, 0);
        else
            QVERIFY(phone.waitForClosed());
        // Whatever the server did for the phone that left came before the next phone's line.
        QList<QByteArray> acquired = Loco3Acquired;
        acquired.replace(acquired.indexOf("MTAS3<;>V0"), speedAfter);
        other.send("MT+S3<;>S3");
        QCOMPARE(other.take(acquired.size()), acquired);
        other.send("MTAS3<;>V10");
        waitForSpeed(1, 2);
        QCOMPARE(sim->fetchCapture(), wire);
    }

    void aSilentPhoneIsStoppedAfterItsHeartbeat()
    {
        server().setHeartbeatSeconds(1);
        openLink();
        stationReports();
        ThrottleClient heard;
        QVERIFY(heard.connectTo(port));
        QCOMPARE(heard.take(3), QList<QByteArray>({"VN2.0", Roster, "*1"}));
        heard.send("MT+S4<;>S4");
        QCOMPARE(heard.take(Loco3Acquired.size()).first(), QByteArray("MT+S4<;>"));
        heard.send("MTAS4<;>V126");
        waitForSpeed(2, 31);
        ThrottleClient phone;
        QVERIFY(phone.connectTo(port));
        QCOMPARE(phone.take(3).size(), 3);
        // In one piece, so the heartbeat runs from the speed on.
        phone.socket.write("*+\nMT+S3<;>S3\nMTAS3<;>V63\n");
        QCOMPARE(phone.take(Loco3Acquired.size()), Loco3Acquired);
        // The phone falls silent: only its own loco stops, and it is told.
        QCOMPARE(phone.takeOne(),
                 QByteArray("HMNo heartbeat for 1 s: the locos you drive are brought to a stop."));
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), QByteArray(":S21F:S110:S100"), 5000);
        waitForSpeed(1, 0);
        QCOMPARE(throttle().slot(2).speed, 31);
        QCOMPARE(server().holderCount(3), 1);
    }

    void theNinthPhoneIsRefused()
    {
        std::array<ThrottleClient, WiThrottleServer::MaxClients> phones;
        for (ThrottleClient &phone : phones)
            connectClient(phone, "RL0");
        for (ThrottleClient &phone : phones)
            QCOMPARE(phone.takeOne(), NotConnected);
        ThrottleClient ninth;
        QVERIFY(ninth.connectTo(port));
        QCOMPARE(ninth.takeOne(), QByteArray("HM8 throttles are connected already, the most this "
                                             "station takes. Try again later."));
        QVERIFY(ninth.waitForClosed());
        QCOMPARE(server().clientCount(), WiThrottleServer::MaxClients);
        // A place that comes free is taken again.
        phones.front().socket.disconnectFromHost();
        QTRY_COMPARE(server().clientCount(), WiThrottleServer::MaxClients - 1);
        ThrottleClient next;
        connectClient(next, "RL0");
    }

    void aLongLineClosesItsPhone_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("closed");
        QTest::newRow("1024-bytes-kept") << QByteArray('N' + QByteArray(1023, 'x') + '\n') << false;
        QTest::newRow("1025-bytes-closed")
            << QByteArray('N' + QByteArray(1024, 'x') + '\n') << true;
        QTest::newRow("2-KiB-without-end-closed") << QByteArray(2048, 'a') << true;
    }

    void aLongLineClosesItsPhone()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, closed);
        ThrottleClient phone;
        ThrottleClient other;
        connectClient(phone, "RL0");
        connectClient(other, "RL0");
        QCOMPARE(phone.takeOne(), NotConnected);
        phone.socket.write(line);
        if (closed) {
            QCOMPARE(phone.takeOne(),
                     QByteArray("HMA line longer than 1024 bytes came: the connection is closed."));
            QVERIFY(phone.waitForClosed());
            QTRY_COMPARE(server().clientCount(), 1);
        } else {
            QCOMPARE(phone.takeOne(), QByteArray("*10"));
            QCOMPARE(server().clientCount(), 2);
        }
        // The other phone is served as before.
        other.send("NOther");
        QCOMPARE(other.take(2), QList<QByteArray>({NotConnected, "*10"}));
    }

    void unknownCommandsAreIgnored()
    {
        ThrottleClient phone;
        driveLoco3(phone);
        for (const QByteArray &line :
             {QByteArray("PPA1"), QByteArray("PTA2LT12"), QByteArray("XYZ"), QByteArray("M"),
              QByteArray("MTAS3<;>Z9"), QByteArray("MTAS3<;>F15"), QByteArray("MTAS4<;>V9"),
              QByteArray("MT+S9<;>X"), QByteArray("*x"), QByteArray("\x01\x1b[2J"),
              QByteArray("MTAS3<;>s1")})
            phone.send(line);
        // The speed step mode is the station's: the phone is told the one it has.
        QCOMPARE(phone.takeOne(), QByteArray("MTAS3<;>s2"));
        phone.send("MTAS3<;>qV");
        QCOMPARE(phone.takeOne(), QByteArray("MTAS3<;>V0"));
        QCOMPARE(server().clientCount(), 1);
        QCOMPARE(sim->fetchCapture(), QByteArray());
    }

    void aLocoTheStationDoesNotHoldIsRefused()
    {
        openLink();
        stationReports();
        ThrottleClient phone;
        connectClient(phone);
        phone.send("MT+L1234<;>L1234");
        QCOMPARE(phone.takeOne(),
                 QByteArray("HMLoco 1234 is not on the station: its slots hold 3, 4, 5, 6."));
        QCOMPARE(server().holderCount(1234), 0);
    }
};

QTEST_MAIN(tst_WiThrottleServer)
#include "tst_withrottleserver.moc"
