// The browser throttle's messages typed out by hand: what the page may ask, what is refused and
// why, the instructions a request becomes, and the state the page is told.
#include "remote/throttlemessages.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Request = ThrottleMessages::Request;
using Kind = Request::Kind;
using Toggle = RemoteThrottle::Toggle;

namespace {

// Slot 1: loco 3 at 12 of 31, headlight on; slot 2: loco 4, reverse, 14 steps, F1 on; slot 3:
// loco 5 at 64 of 128; slot 4: loco 130, stopped, 31 steps, headlight and F1-F4 on.
const QString Packet = u"030405820C00400049021001001F"_s;

Request speed(int slot, int step)
{
    return {Kind::Speed, slot, step, Toggle::Headlight, false};
}

Request toggle(int slot, Toggle what, bool on)
{
    return {Kind::Toggle, slot, 0, what, on};
}

} // namespace

Q_DECLARE_METATYPE(Request)

class TestThrottleMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requests_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<Request>("request");
        QTest::newRow("speed") << QByteArray(R"({"op":"speed","slot":2,"step":10})")
                               << speed(2, 10);
        QTest::newRow("speed-as-3e0")
            << QByteArray(R"({"step":3e0,"slot":4.0,"op":"speed"})") << speed(4, 3);
        QTest::newRow("reverse") << QByteArray(
                                        R"({"op":"toggle","slot":1,"what":"reverse","on":true})")
                                 << toggle(1, Toggle::Reverse, true);
        QTest::newRow("f4-off") << QByteArray(R"({"op":"toggle","slot":3,"what":"f4","on":false})")
                                << toggle(3, Toggle::F4, false);
        QTest::newRow("stop") << QByteArray(R"( {"op":"stop"} )") << Request{};
    }

    void requests()
    {
        QFETCH(QByteArray, message);
        QFETCH(Request, request);
        const ThrottleMessages::Parsed parsed = ThrottleMessages::parse(message);
        QVERIFY2(parsed.request, qPrintable(parsed.error));
        QVERIFY(*parsed.request == request);
        QVERIFY(*ThrottleMessages::parse(ThrottleMessages::format(request)).request == request);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("error");
        const QString speedForm = u"A speed takes a slot and a step from 0 to 1000."_s;
        const QString toggleForm =
            u"A toggle takes a slot, what (reverse, headlight, f1-f4) and on."_s;
        const QString slotForm = u"The slot must be a number from 1 to 4."_s;
        QTest::newRow("not-json") << QByteArray("speed 2 10")
                                  << u"The message is not a JSON object."_s;
        QTest::newRow("array") << QByteArray("[1,2]") << u"The message is not a JSON object."_s;
        QTest::newRow("unknown-op") << QByteArray(R"({"op":"reboot"})") << u"Unknown request."_s;
        QTest::newRow("slot-5") << QByteArray(R"({"op":"speed","slot":5,"step":1})") << slotForm;
        QTest::newRow("slot-as-text")
            << QByteArray(R"({"op":"speed","slot":"1","step":1})") << slotForm;
        QTest::newRow("slot-fraction")
            << QByteArray(R"({"op":"speed","slot":1.5,"step":1})") << slotForm;
        QTest::newRow("step-negative")
            << QByteArray(R"({"op":"speed","slot":1,"step":-1})") << speedForm;
        QTest::newRow("step-huge")
            << QByteArray(R"({"op":"speed","slot":1,"step":1e300})") << speedForm;
        QTest::newRow("speed-extra-key")
            << QByteArray(R"({"op":"speed","slot":1,"step":1,"raw":":E000"})") << speedForm;
        QTest::newRow("toggle-f5")
            << QByteArray(R"({"op":"toggle","slot":1,"what":"f5","on":true})") << toggleForm;
        QTest::newRow("toggle-on-as-number")
            << QByteArray(R"({"op":"toggle","slot":1,"what":"f1","on":1})") << toggleForm;
        QTest::newRow("stop-with-slot")
            << QByteArray(R"({"op":"stop","slot":1})") << u"A stop takes nothing more."_s;
        QTest::newRow("over-4KiB")
            << QByteArray(R"({"op":"stop","pad":")") + QByteArray(4100, 'x') + QByteArray(R"("})")
            << u"The message is longer than 4096 bytes."_s;
    }

    void refusals()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, error);
        const ThrottleMessages::Parsed parsed = ThrottleMessages::parse(message);
        QVERIFY(!parsed.request);
        QCOMPARE(parsed.error, error);
    }

    void requestsBecomeTheLinkPagesInstructions_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("speed") << speed(1, 10) << QStringList{u":S10A"_s};
        QTest::newRow("reverse") << toggle(1, Toggle::Reverse, true) << QStringList{u":D000"_s};
        QTest::newRow("f1-off") << toggle(2, Toggle::F1, false) << QStringList{u":F500"_s};
        QTest::newRow("already-so") << toggle(1, Toggle::Headlight, true) << QStringList{};
        QTest::newRow("stop") << Request{} << QStringList{u":E000"_s};
    }

    void requestsBecomeTheLinkPagesInstructions()
    {
        QFETCH(Request, request);
        QFETCH(QStringList, sent);
        QStringList wire;
        RemoteThrottle throttle([&wire](const QString &instruction) { wire.append(instruction); });
        throttle.setLinkOpen(true);
        QVERIFY(throttle.applyStatusPacket(Packet));
        QCOMPARE(ThrottleMessages::apply(throttle, request), QString());
        QCOMPARE(wire, sent);
    }

    void stateAsThePageIsTold()
    {
        RemoteThrottle throttle([](const QString &) {});
        QCOMPARE(ThrottleMessages::state(throttle),
                 QByteArray(R"({"available":false,"reason":"The station is not connected.",)"
                            R"("slots":[],"type":"state"})"));
        throttle.setLinkOpen(true);
        QVERIFY(throttle.applyStatusPacket(Packet));
        QCOMPARE(
            ThrottleMessages::state(throttle),
            QByteArray(
                R"({"available":true,"reason":"","slots":[)"
                R"({"address":3,"functions":[false,false,false,false],"headlight":true,"maximum":31,"reverse":false,"slot":1,"step":12},)"
                R"({"address":4,"functions":[true,false,false,false],"headlight":false,"maximum":14,"reverse":true,"slot":2,"step":0},)"
                R"({"address":5,"functions":[false,false,false,false],"headlight":false,"maximum":128,"reverse":false,"slot":3,"step":64},)"
                R"({"address":130,"functions":[true,true,true,true],"headlight":true,"maximum":31,"reverse":false,"slot":4,"step":0}],"type":"state"})"));
        QCOMPARE(ThrottleMessages::refused(u"An upload is running."_s),
                 QByteArray(R"({"text":"An upload is running.","type":"refused"})"));
    }
};

QTEST_GUILESS_MAIN(TestThrottleMessages)
#include "tst_throttlemessages.moc"
