#include "platform/korvanterror.h"
#include "remote/remotethrottle.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Slot = RemoteThrottle::Slot;
using Toggle = RemoteThrottle::Toggle;

namespace QTest {
template <> char *toString(const Slot &s)
{
    QString functions;
    for (const bool on : s.functions)
        functions += on ? u'1' : u'0';
    return QTest::toString(
        u"Slot(address %1, speed %2 of %3, %4, headlight %5, F1-F4 %6)"_s.arg(s.address)
            .arg(s.speed)
            .arg(s.speedMaximum)
            .arg(s.reverse ? u"reverse"_s : u"forward"_s)
            .arg(s.headlight ? u"on"_s : u"off"_s)
            .arg(functions));
}
} // namespace QTest

namespace {

// Four addresses, four speeds, the speed-step byte, the direction byte, four lamp bytes. Slot 1:
// loco 3 at 12 of 31, headlight on; slot 2: loco 4, reverse, 14 steps, F1 on; slot 3: loco 5 at
// 64 of 128; slot 4: loco 130 (0x82), stopped, 31 steps, headlight and F1-F4 on.
const QString Packet = u"030405820C00400049021001001F"_s;
// The same after ":D000" and ":F500": loco 3 reverse, loco 4's F1 off.
const QString PacketAfterToggles = u"030405820C00400049031000001F"_s;

struct Station
{
    QStringList sent;
    qint64 now = 0;
    RemoteThrottle throttle{[this](const QString &instruction) {
        sent.append(instruction);
    }};

    Station()
    {
        throttle.setClock([this] { return now; });
    }
    bool open()
    {
        throttle.setLinkOpen(true);
        return throttle.applyStatusPacket(Packet);
    }
};

Slot slotWith(int address, int speed, int maximum, bool reverse, bool headlight,
              std::array<bool, 4> functions)
{
    return Slot{address, speed, maximum, reverse, headlight, functions};
}

} // namespace

class TestRemoteThrottle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheSlotsAsReported();
    void statusChangesAreSignalled();
    void otherPacketsChangeNothing();
    void togglesOnlyWhatDiffers_data();
    void togglesOnlyWhatDiffers();
    void pendingToggleEndsWhenTheStatusShowsIt();
    void pendingToggleLapsesWhenTheStationIgnoresIt();
    void newAddressInASlotEndsItsPendingToggles();
    void speedInTheSlotsRange_data();
    void speedInTheSlotsRange();
    void speedOnAPhonesScale_data();
    void speedOnAPhonesScale();
    void scalingThereAndBackIsExact();
    void emergencyStop();
    void refusals_data();
    void refusals();
    void availabilityIsSignalled();
    void reopenedLinkWaitsForAFreshStatus();
    void reportsRoutedElsewhereRefuseAllButTheStop();
};

void TestRemoteThrottle::keepsTheSlotsAsReported()
{
    Station station;
    QVERIFY(!station.throttle.hasStatus());
    QCOMPARE(station.throttle.slotOfAddress(3), 0);
    QVERIFY(station.open());
    QVERIFY(station.throttle.hasStatus());
    QCOMPARE(station.throttle.slot(1), slotWith(3, 12, 31, false, true, {}));
    QCOMPARE(station.throttle.slot(2),
             slotWith(4, 0, 14, true, false, {true, false, false, false}));
    QCOMPARE(station.throttle.slot(3), slotWith(5, 64, 128, false, false, {}));
    QCOMPARE(station.throttle.slot(4), slotWith(130, 0, 31, false, true, {true, true, true, true}));
    QCOMPARE(station.throttle.slotOfAddress(130), 4);
    QCOMPARE(station.throttle.slotOfAddress(5), 3);
    QCOMPARE(station.throttle.slotOfAddress(6), 0);
    QCOMPARE(station.throttle.slotOfAddress(0), 0);
    QVERIFY(station.sent.isEmpty());
}

void TestRemoteThrottle::statusChangesAreSignalled()
{
    Station station;
    station.throttle.setLinkOpen(true);
    QSignalSpy changed(&station.throttle, &RemoteThrottle::slotChanged);
    QSignalSpy roster(&station.throttle, &RemoteThrottle::rosterChanged);
    QVERIFY(changed.isValid());
    QVERIFY(roster.isValid());

    QVERIFY(station.throttle.applyStatusPacket(Packet));
    QCOMPARE(changed.size(), 4);
    QCOMPARE(roster.size(), 1);
    changed.clear();
    roster.clear();

    QVERIFY(station.throttle.applyStatusPacket(Packet));
    QCOMPARE(changed.size(), 0);

    // Only loco 5's speed moves, as after a drag on the Link page; lower-case digits read alike.
    QVERIFY(station.throttle.applyStatusPacket(u"030405820c00410049021001001f"_s));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 3);
    QCOMPARE(station.throttle.slot(3).speed, 65);
    QCOMPARE(roster.size(), 0);
}

void TestRemoteThrottle::otherPacketsChangeNothing()
{
    Station station;
    QVERIFY(station.open());
    QSignalSpy changed(&station.throttle, &RemoteThrottle::slotChanged);
    QVERIFY(!station.throttle.applyStatusPacket(Packet.chopped(1)));
    QVERIFY(!station.throttle.applyStatusPacket(QString(Packet + u'0')));
    QVERIFY_THROWS_EXCEPTION(KorvantError,
                             station.throttle.applyStatusPacket(u"0G0405820C00400049021001001F"_s));
    QCOMPARE(changed.size(), 0);
    QCOMPARE(station.throttle.slot(1), slotWith(3, 12, 31, false, true, {}));
}

void TestRemoteThrottle::togglesOnlyWhatDiffers_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<Toggle>("toggle");
    QTest::addColumn<bool>("state");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("loco1-reverse") << 1 << Toggle::Reverse << true << QStringList{u":D000"_s};
    QTest::newRow("loco2-forward") << 2 << Toggle::Reverse << false << QStringList{u":D100"_s};
    QTest::newRow("loco2-already-reverse") << 2 << Toggle::Reverse << true << QStringList{};
    QTest::newRow("loco1-headlight-off")
        << 1 << Toggle::Headlight << false << QStringList{u":H000"_s};
    QTest::newRow("loco1-headlight-already-on") << 1 << Toggle::Headlight << true << QStringList{};
    QTest::newRow("loco3-headlight-on")
        << 3 << Toggle::Headlight << true << QStringList{u":H200"_s};
    QTest::newRow("loco1-f2-on") << 1 << Toggle::F2 << true << QStringList{u":F200"_s};
    QTest::newRow("loco2-f1-off") << 2 << Toggle::F1 << false << QStringList{u":F500"_s};
    QTest::newRow("loco3-f3-on") << 3 << Toggle::F3 << true << QStringList{u":Fb00"_s};
    QTest::newRow("loco4-f4-off") << 4 << Toggle::F4 << false << QStringList{u":Fg00"_s};
    QTest::newRow("loco4-f3-already-on") << 4 << Toggle::F3 << true << QStringList{};
}

void TestRemoteThrottle::togglesOnlyWhatDiffers()
{
    QFETCH(int, slot);
    QFETCH(Toggle, toggle);
    QFETCH(bool, state);
    QFETCH(QStringList, sent);
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setToggle(slot, toggle, state), QString());
    QCOMPARE(station.sent, sent);
    QCOMPARE(station.throttle.expected(slot, toggle), state);
    // Asked again before the station has answered: already on its way.
    QCOMPARE(station.throttle.setToggle(slot, toggle, state), QString());
    QCOMPARE(station.sent, sent);
}

void TestRemoteThrottle::pendingToggleEndsWhenTheStatusShowsIt()
{
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setToggle(1, Toggle::Reverse, true), QString());
    QCOMPARE(station.throttle.setToggle(2, RemoteThrottle::functionToggle(1), false), QString());
    QCOMPARE(station.sent, QStringList({u":D000"_s, u":F500"_s}));
    QCOMPARE(station.throttle.setToggle(1, Toggle::Reverse, false),
             u"The last change of this is still on its way to the station."_s);
    QVERIFY(!station.throttle.slot(1).reverse);

    QSignalSpy changed(&station.throttle, &RemoteThrottle::slotChanged);
    QVERIFY(station.throttle.applyStatusPacket(PacketAfterToggles));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
    QCOMPARE(changed.at(1).at(0).toInt(), 2);
    QVERIFY(station.throttle.slot(1).reverse);
    QVERIFY(!station.throttle.slot(2).functions[0]);

    station.sent.clear();
    QCOMPARE(station.throttle.setToggle(1, Toggle::Reverse, true), QString());
    QCOMPARE(station.throttle.setToggle(1, Toggle::Reverse, false), QString());
    QCOMPARE(station.sent, QStringList{u":D000"_s});
}

void TestRemoteThrottle::pendingToggleLapsesWhenTheStationIgnoresIt()
{
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setToggle(3, Toggle::F1, true), QString());
    QCOMPARE(station.sent, QStringList{u":F900"_s});
    // A packet sent before the station read the toggle: still pending.
    station.now = 40;
    QVERIFY(station.throttle.applyStatusPacket(Packet));
    QVERIFY(station.throttle.expected(3, Toggle::F1));
    station.now = RemoteThrottle::ToggleWaitMs - 1;
    QCOMPARE(station.throttle.setToggle(3, Toggle::F1, true), QString());
    QCOMPARE(station.sent.size(), 1);
    station.now = RemoteThrottle::ToggleWaitMs;
    QVERIFY(!station.throttle.expected(3, Toggle::F1));
    QCOMPARE(station.throttle.setToggle(3, Toggle::F1, true), QString());
    QCOMPARE(station.sent, QStringList({u":F900"_s, u":F900"_s}));
}

void TestRemoteThrottle::newAddressInASlotEndsItsPendingToggles()
{
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setToggle(1, Toggle::F1, true), QString());
    QSignalSpy changed(&station.throttle, &RemoteThrottle::slotChanged);
    QSignalSpy roster(&station.throttle, &RemoteThrottle::rosterChanged);
    // Slot 1 now holds loco 7, F1 off.
    QVERIFY(station.throttle.applyStatusPacket(u"070405820C00400049021001001F"_s));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(roster.size(), 1);
    QCOMPARE(station.throttle.slotOfAddress(3), 0);
    QCOMPARE(station.throttle.slotOfAddress(7), 1);
    QCOMPARE(station.throttle.setToggle(1, Toggle::F1, true), QString());
    QCOMPARE(station.sent, QStringList({u":F100"_s, u":F100"_s}));
}

void TestRemoteThrottle::speedInTheSlotsRange_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("sent");
    QTest::newRow("31-steps-10") << 1 << 10 << u":S10A"_s;
    QTest::newRow("31-steps-top") << 1 << 31 << u":S11F"_s;
    QTest::newRow("31-steps-above-top") << 1 << 40 << u":S11F"_s;
    QTest::newRow("below-0") << 1 << -5 << u":S100"_s;
    QTest::newRow("14-steps-above-top") << 2 << 20 << u":S20E"_s;
    QTest::newRow("128-steps-top") << 3 << 128 << u":S380"_s;
    QTest::newRow("stop") << 4 << 0 << u":S400"_s;
}

void TestRemoteThrottle::speedInTheSlotsRange()
{
    QFETCH(int, slot);
    QFETCH(int, step);
    QFETCH(QString, sent);
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setSpeed(slot, step), QString());
    // Speeds carry their target, so a repeat is sent again.
    QCOMPARE(station.throttle.setSpeed(slot, step), QString());
    QCOMPARE(station.sent, QStringList({sent, sent}));
}

void TestRemoteThrottle::speedOnAPhonesScale_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("sent");
    QTest::newRow("31-top") << 1 << 126 << u":S11F"_s;
    QTest::newRow("31-half-rounds-up") << 1 << 63 << u":S110"_s;
    QTest::newRow("31-least-still-moves") << 1 << 1 << u":S101"_s;
    QTest::newRow("14-top") << 2 << 126 << u":S20E"_s;
    QTest::newRow("14-half") << 2 << 63 << u":S207"_s;
    QTest::newRow("14-least-still-moves") << 2 << 1 << u":S201"_s;
    QTest::newRow("128-top") << 3 << 126 << u":S380"_s;
    QTest::newRow("128-half") << 3 << 63 << u":S340"_s;
    QTest::newRow("above-scale") << 3 << 500 << u":S380"_s;
    QTest::newRow("stop") << 4 << 0 << u":S400"_s;
}

void TestRemoteThrottle::speedOnAPhonesScale()
{
    QFETCH(int, slot);
    QFETCH(int, value);
    QFETCH(QString, sent);
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setSpeedOnScale(slot, value, 126), QString());
    QCOMPARE(station.sent, QStringList{sent});
}

void TestRemoteThrottle::scalingThereAndBackIsExact()
{
    // Loco 3 reports 12 of 31, loco 5 64 of 128.
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.speedOnScale(1, 126), 49);
    QCOMPARE(station.throttle.speedOnScale(3, 126), 63);
    for (const int maximum : {14, 31}) {
        for (int step = 0; step <= maximum; ++step)
            QCOMPARE(scaleSpeed(scaleSpeed(step, maximum, 126), 126, maximum), step);
    }
    for (int value = 0; value <= 126; ++value)
        QCOMPARE(scaleSpeed(scaleSpeed(value, 126, 128), 128, 126), value);
    QCOMPARE(scaleSpeed(5, 0, 126), 0);
}

void TestRemoteThrottle::emergencyStop()
{
    Station station;
    station.throttle.setLinkOpen(true);
    // It needs no status: the station stops every loco whatever it last reported.
    QCOMPARE(station.throttle.emergencyStop(), QString());
    QCOMPARE(station.sent, QStringList{u":E000"_s});
}

void TestRemoteThrottle::refusals_data()
{
    QTest::addColumn<bool>("linkOpen");
    QTest::addColumn<bool>("upload");
    QTest::addColumn<bool>("status");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("stopRefused");
    QTest::newRow("link-closed") << false << false << false << 1
                                 << u"The station is not connected."_s << true;
    QTest::newRow("upload-running")
        << true << true << true << 1 << u"An upload is running."_s << true;
    QTest::newRow("no-status-yet")
        << true << false << false << 1 << u"The station has not reported its locos yet."_s << false;
    QTest::newRow("slot-0") << true << false << true << 0 << u"There is no loco slot 0."_s << false;
    QTest::newRow("slot-5") << true << false << true << 5 << u"There is no loco slot 5."_s << false;
}

void TestRemoteThrottle::refusals()
{
    QFETCH(bool, linkOpen);
    QFETCH(bool, upload);
    QFETCH(bool, status);
    QFETCH(int, slot);
    QFETCH(QString, refusal);
    QFETCH(bool, stopRefused);
    Station station;
    station.throttle.setLinkOpen(true);
    if (status)
        station.throttle.applyStatusPacket(Packet);
    station.throttle.setUploadRunning(upload);
    station.throttle.setLinkOpen(linkOpen);

    QCOMPARE(station.throttle.setToggle(slot, Toggle::Reverse, true), refusal);
    QCOMPARE(station.throttle.setToggle(slot, Toggle::F4, false), refusal);
    QCOMPARE(station.throttle.setSpeed(slot, 5), refusal);
    QCOMPARE(station.throttle.setSpeedOnScale(slot, 5, 126), refusal);
    QCOMPARE(station.throttle.emergencyStop().isEmpty(), !stopRefused);
    QCOMPARE(station.sent, stopRefused ? QStringList() : QStringList{u":E000"_s});
}

void TestRemoteThrottle::availabilityIsSignalled()
{
    Station station;
    QCOMPARE(station.throttle.refusal(), u"The station is not connected."_s);
    QSignalSpy availability(&station.throttle, &RemoteThrottle::availabilityChanged);
    QVERIFY(availability.isValid());
    station.throttle.setLinkOpen(true);
    station.throttle.setLinkOpen(true);
    station.throttle.setUploadRunning(true);
    station.throttle.setUploadRunning(false);
    station.throttle.setLinkOpen(false);
    QCOMPARE(availability.size(), 4);
    const QList<QPair<bool, QString>> expected{{true, QString()},
                                               {false, u"An upload is running."_s},
                                               {true, QString()},
                                               {false, u"The station is not connected."_s}};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(availability.at(i).at(0).toBool(), expected.at(i).first);
        QCOMPARE(availability.at(i).at(1).toString(), expected.at(i).second);
    }
}

void TestRemoteThrottle::reopenedLinkWaitsForAFreshStatus()
{
    Station station;
    QVERIFY(station.open());
    QCOMPARE(station.throttle.setToggle(1, Toggle::Headlight, false), QString());
    station.throttle.setLinkOpen(false);
    station.throttle.setLinkOpen(true);
    QVERIFY(!station.throttle.hasStatus());
    QCOMPARE(station.throttle.setToggle(1, Toggle::Headlight, false),
             u"The station has not reported its locos yet."_s);
    // The toggle sent before the link closed is forgotten with it.
    QVERIFY(station.throttle.applyStatusPacket(Packet));
    QCOMPARE(station.throttle.setToggle(1, Toggle::Headlight, false), QString());
    QCOMPARE(station.sent, QStringList({u":H000"_s, u":H000"_s}));
}

void TestRemoteThrottle::reportsRoutedElsewhereRefuseAllButTheStop()
{
    const QString elsewhere = u"The Link page is not chosen at the desk, so the station's "
                              "reports of its locos are not read."_s;
    Station station;
    QVERIFY(station.open());
    QSignalSpy availability(&station.throttle, &RemoteThrottle::availabilityChanged);
    QVERIFY(availability.isValid());
    QCOMPARE(station.throttle.setToggle(1, Toggle::Headlight, false), QString());
    station.throttle.setReportsRouted(false);
    QCOMPARE(station.throttle.refusal(), elsewhere);
    QCOMPARE(station.throttle.setToggle(2, Toggle::F1, false), elsewhere);
    QCOMPARE(station.throttle.setSpeed(1, 3), elsewhere);
    QCOMPARE(station.throttle.emergencyStop(), QString());
    // An upload says more than the routing that comes with it.
    station.throttle.setUploadRunning(true);
    QCOMPARE(station.throttle.refusal(), u"An upload is running."_s);
    station.throttle.setUploadRunning(false);
    station.throttle.setReportsRouted(true);
    QCOMPARE(station.throttle.refusal(), QString());
    // What the station said while its reports went elsewhere was never seen here.
    QCOMPARE(station.throttle.setToggle(1, Toggle::Headlight, false),
             u"The station has not reported its locos yet."_s);
    QVERIFY(station.throttle.applyStatusPacket(Packet));
    QCOMPARE(station.throttle.setToggle(1, Toggle::Headlight, false), QString());
    QCOMPARE(station.sent, QStringList({u":H000"_s, u":E000"_s, u":H000"_s}));
    QCOMPARE(availability.size(), 4);
    QCOMPARE(availability.at(0).at(1).toString(), elsewhere);
    QCOMPARE(availability.at(3).at(0).toBool(), true);
}

QTEST_GUILESS_MAIN(TestRemoteThrottle)
#include "tst_remotethrottle.moc"
