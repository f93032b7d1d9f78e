#include "remote/withrottleprotocol.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using WiThrottle::Action;
using WiThrottle::Command;

namespace QTest {
template <> char *toString(const Command &c)
{
    return QTest::toString(u"Command(action %1, throttle '%2', key '%3', address %4%5, value %6, "
                           "function %7, text '%8')"_s.arg(static_cast<int>(c.action))
                               .arg(QLatin1Char(c.throttle ? c.throttle : '-'))
                               .arg(QString::fromLatin1(c.key))
                               .arg(c.address)
                               .arg(c.longAddress ? u" long"_s : QString())
                               .arg(c.value)
                               .arg(c.function)
                               .arg(c.text));
}
} // namespace QTest

namespace {

Command simple(Action action, const QString &text = {})
{
    Command c;
    c.action = action;
    c.text = text;
    return c;
}

Command loco(Action action, char throttle, const QByteArray &key, int value = 0, int function = 0)
{
    Command c;
    c.action = action;
    c.throttle = throttle;
    c.key = key;
    if (key != "*") {
        c.address = key.mid(1).toInt();
        c.longAddress = key.startsWith('L');
    }
    c.value = value;
    c.function = function;
    return c;
}

} // namespace

class TestWiThrottleProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesClientLines_data();
    void parsesClientLines();
    void otherLinesAreIgnored_data();
    void otherLinesAreIgnored();
    void linesOverOneKibibyteAreRefused();
    void clientLinesAsTyped();
    void serverLines_data();
    void serverLines();
    void greeting();
    void keysAndStepModes();
    void lineReaderCutsAtAnyLineEnd();
    void lineReaderStopsAtAnOverlongLine();
};

void TestWiThrottleProtocol::parsesClientLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Command>("expected");

    QTest::newRow("name") << "NAnna's phone"_ba << simple(Action::Name, u"Anna's phone"_s);
    QTest::newRow("name-utf8") << "NJürgen"_ba << simple(Action::Name, u"Jürgen"_s);
    QTest::newRow("name-control-characters-dropped")
        << "NPh\tone\x1b[2J"_ba << simple(Action::Name, u"Phone[2J"_s);
    QTest::newRow("name-not-utf8-dropped") << "NJ\xfc"
                                              "rgen\xe2\x82"_ba
                                           << simple(Action::Name, u"Jrgen"_s);
    QTest::newRow("hardware-id") << "HU3a9f0c"_ba << simple(Action::HardwareId, u"3a9f0c"_s);
    QTest::newRow("heartbeat") << "*"_ba << simple(Action::Heartbeat);
    QTest::newRow("heartbeat-on") << "*+"_ba << simple(Action::HeartbeatOn);
    QTest::newRow("heartbeat-off") << "*-"_ba << simple(Action::HeartbeatOff);
    QTest::newRow("quit") << "Q"_ba << simple(Action::Quit);
    QTest::newRow("cr-lf-left-on") << "Q\r\n"_ba << simple(Action::Quit);

    QTest::newRow("acquire-short") << "MT+S3<;>S3"_ba << loco(Action::Acquire, 'T', "S3");
    QTest::newRow("acquire-long") << "M0+L341<;>L341"_ba << loco(Action::Acquire, '0', "L341");
    QTest::newRow("acquire-key-as-typed") << "M1+L03<;>L03"_ba << loco(Action::Acquire, '1', "L03");
    QTest::newRow("acquire-highest-long")
        << "M0+L10239<;>L10239"_ba << loco(Action::Acquire, '0', "L10239");
    Command byName = loco(Action::Acquire, 'S', "S4");
    byName.text = u"Loco 4"_s;
    QTest::newRow("acquire-roster-entry") << "MS+S4<;>ELoco 4"_ba << byName;
    QTest::newRow("release") << "MT-S3<;>r"_ba << loco(Action::Release, 'T', "S3");
    QTest::newRow("dispatch-is-release") << "MT-S3<;>d"_ba << loco(Action::Release, 'T', "S3");
    QTest::newRow("release-all") << "M0-*<;>r"_ba << loco(Action::Release, '0', "*");

    QTest::newRow("speed") << "M0AS3<;>V63"_ba << loco(Action::Speed, '0', "S3", 63);
    QTest::newRow("speed-all") << "M0A*<;>V0"_ba << loco(Action::Speed, '0', "*", 0);
    QTest::newRow("speed-top") << "M0AS3<;>V126"_ba << loco(Action::Speed, '0', "S3", 126);
    QTest::newRow("speed-above-top") << "M0AS3<;>V300"_ba << loco(Action::Speed, '0', "S3", 126);
    QTest::newRow("idle-is-speed-0") << "M0AS3<;>I"_ba << loco(Action::Speed, '0', "S3", 0);
    QTest::newRow("stop-x") << "M0AS3<;>X"_ba << loco(Action::EmergencyStop, '0', "S3");
    QTest::newRow("stop-speed-minus-1")
        << "M0AS3<;>V-1"_ba << loco(Action::EmergencyStop, '0', "S3");
    QTest::newRow("forward") << "M0AS3<;>R1"_ba << loco(Action::Direction, '0', "S3", 1);
    QTest::newRow("reverse") << "M0A*<;>R0"_ba << loco(Action::Direction, '0', "*", 0);
    QTest::newRow("f0-pressed") << "M0AS3<;>F10"_ba << loco(Action::Function, '0', "S3", 1, 0);
    QTest::newRow("f4-released") << "M0AS3<;>F04"_ba << loco(Action::Function, '0', "S3", 0, 4);
    QTest::newRow("f28-pressed") << "M0AL341<;>F128"_ba
                                 << loco(Action::Function, '0', "L341", 1, 28);
    QTest::newRow("f68-released") << "M0AS3<;>F068"_ba << loco(Action::Function, '0', "S3", 0, 68);
    QTest::newRow("force-f1-on") << "M0AS3<;>f11"_ba
                                 << loco(Action::ForceFunction, '0', "S3", 1, 1);
    QTest::newRow("step-mode") << "M0AS3<;>s8"_ba << loco(Action::SpeedStepMode, '0', "S3", 8);
    QTest::newRow("query-speed") << "M0AS3<;>qV"_ba << loco(Action::QuerySpeed, '0', "S3");
    QTest::newRow("query-direction") << "M0AS3<;>qR"_ba << loco(Action::QueryDirection, '0', "S3");
}

void TestWiThrottleProtocol::parsesClientLines()
{
    QFETCH(QByteArray, line);
    QFETCH(Command, expected);
    const Command command = WiThrottle::parse(line);
    QCOMPARE(command, expected);
    // What a client would send for it reads back as the same command.
    QCOMPARE(WiThrottle::parse(WiThrottle::clientLine(command)), command);
}

void TestWiThrottleProtocol::otherLinesAreIgnored_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("line-ends-only") << "\r\n"_ba;
    QTest::newRow("power") << "PPA1"_ba;
    QTest::newRow("turnout") << "PTA2LT12"_ba;
    QTest::newRow("old-single-throttle") << "TV50"_ba;
    QTest::newRow("quit-with-more") << "Quit"_ba;
    QTest::newRow("heartbeat-other") << "*5"_ba;
    QTest::newRow("other-h") << "HX"_ba;
    QTest::newRow("m-alone") << "M"_ba;
    QTest::newRow("no-separator") << "M0AS3V5"_ba;
    QTest::newRow("steal") << "M0SS3<;>S3"_ba;
    QTest::newRow("key-without-address") << "M0AS<;>V5"_ba;
    QTest::newRow("key-letter") << "M0AX3<;>V5"_ba;
    QTest::newRow("key-signed") << "M0AS-3<;>V5"_ba;
    QTest::newRow("address-above-long-range") << "M0AL10240<;>V5"_ba;
    QTest::newRow("throttle-id-control") << "M\x01"
                                            "AS3<;>V5"_ba;
    QTest::newRow("throttle-id-space") << "M AS3<;>V5"_ba;
    QTest::newRow("acquire-all") << "M0+*<;>*"_ba;
    QTest::newRow("acquire-other-key") << "M0+S3<;>S4"_ba;
    QTest::newRow("release-other") << "M0-S3<;>x"_ba;
    QTest::newRow("unknown-action") << "M0AS3<;>Z"_ba;
    QTest::newRow("empty-action") << "M0AS3<;>"_ba;
    QTest::newRow("speed-not-a-number") << "M0AS3<;>V1x"_ba;
    QTest::newRow("speed-empty") << "M0AS3<;>V"_ba;
    QTest::newRow("speed-minus-alone") << "M0AS3<;>V-"_ba;
    QTest::newRow("direction-2") << "M0AS3<;>R2"_ba;
    QTest::newRow("function-state-2") << "M0AS3<;>F21"_ba;
    QTest::newRow("function-no-number") << "M0AS3<;>F1"_ba;
    QTest::newRow("function-69") << "M0AS3<;>F169"_ba;
    QTest::newRow("idle-with-operand") << "M0AS3<;>I5"_ba;
    QTest::newRow("query-other") << "M0AS3<;>qF"_ba;
}

void TestWiThrottleProtocol::otherLinesAreIgnored()
{
    QFETCH(QByteArray, line);
    QCOMPARE(WiThrottle::parse(line), Command{});
    QCOMPARE(WiThrottle::clientLine(WiThrottle::parse(line)), QByteArray());
}

void TestWiThrottleProtocol::linesOverOneKibibyteAreRefused()
{
    const QByteArray longest = 'N' + QByteArray(1023, 'a');
    QCOMPARE(WiThrottle::parse(longest).action, Action::Name);
    QCOMPARE(WiThrottle::parse(QByteArray(longest + 'a')).action, Action::Refused);
    QCOMPARE(WiThrottle::parse(QByteArray("M0AS3<;>V5"_ba + QByteArray(1024, ' '))).action,
             Action::Refused);
}

void TestWiThrottleProtocol::clientLinesAsTyped()
{
    Command byName = loco(Action::Acquire, 'S', "S4");
    byName.text = u"Loco 4"_s;
    QCOMPARE(WiThrottle::clientLine(byName), "MS+S4<;>ELoco 4"_ba);
    QCOMPARE(WiThrottle::clientLine(loco(Action::Acquire, '0', "L341")), "M0+L341<;>L341"_ba);
    QCOMPARE(WiThrottle::clientLine(loco(Action::Release, 'T', "*")), "MT-*<;>r"_ba);
    QCOMPARE(WiThrottle::clientLine(loco(Action::EmergencyStop, '0', "S3")), "M0AS3<;>X"_ba);
    QCOMPARE(WiThrottle::clientLine(loco(Action::Function, '0', "S3", 1, 12)), "M0AS3<;>F112"_ba);
    QCOMPARE(WiThrottle::clientLine(simple(Action::Name, u"Jürgen"_s)), "NJürgen"_ba);
}

void TestWiThrottleProtocol::serverLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected");

    using namespace WiThrottle;
    QTest::newRow("version") << version() << "VN2.0"_ba;
    QTest::newRow("roster")
        << roster({{u"Loco 3"_s, 3}, {u"Loco 4"_s, 4}, {u"Loco 127"_s, 127}, {u"Loco 130"_s, 130}})
        << "RL4]\\[Loco 3}|{3}|{S]\\[Loco 4}|{4}|{S]\\[Loco 127}|{127}|{S]\\[Loco 130}|{130}|{L"_ba;
    QTest::newRow("roster-empty") << roster({}) << "RL0"_ba;
    QTest::newRow("roster-name-cannot-split-the-list")
        << roster({{u"A}|{B]\\[C\nD"_s, 5}}) << "RL1]\\[A B CD}|{5}|{S"_ba;
    QTest::newRow("web-port") << webPort(12080) << "PW12080"_ba;
    QTest::newRow("heartbeat") << heartbeat(10) << "*10"_ba;
    QTest::newRow("alert") << alert(u"An upload is running."_s) << "HMAn upload is running."_ba;
    QTest::newRow("alert-one-line") << alert(u"two\r\nlines"_s) << "HMtwolines"_ba;
    QTest::newRow("info") << info(u"Loco 3 is yours"_s) << "HmLoco 3 is yours"_ba;
    QTest::newRow("acquired") << acquired('T', "S3") << "MT+S3<;>"_ba;
    QTest::newRow("released") << released('0', "L341") << "M0-L341<;>"_ba;
    QTest::newRow("function-labels")
        << functionLabels('0', "S3", {u"Headlight"_s, u"F1"_s, u"F2"_s, u"F3"_s, u"F4"_s})
        << "M0LS3<;>]\\[Headlight]\\[F1]\\[F2]\\[F3]\\[F4"_ba;
    QTest::newRow("speed") << speed('0', "S3", 63) << "M0AS3<;>V63"_ba;
    QTest::newRow("forward") << direction('0', "S3", true) << "M0AS3<;>R1"_ba;
    QTest::newRow("reverse") << direction('1', "L130", false) << "M1AL130<;>R0"_ba;
    QTest::newRow("f0-on") << function('0', "S3", 0, true) << "M0AS3<;>F10"_ba;
    QTest::newRow("f4-off") << function('0', "S3", 4, false) << "M0AS3<;>F04"_ba;
    QTest::newRow("step-mode") << speedStepMode('0', "S3", 2) << "M0AS3<;>s2"_ba;
}

void TestWiThrottleProtocol::serverLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    QCOMPARE(line, expected);
}

void TestWiThrottleProtocol::greeting()
{
    const QList<WiThrottle::RosterEntry> entries{{u"Loco 3"_s, 3}};
    QCOMPARE(WiThrottle::greeting(entries, 0),
             QList<QByteArray>({"VN2.0"_ba, "RL1]\\[Loco 3}|{3}|{S"_ba}));
    QCOMPARE(WiThrottle::greeting(entries, 8080),
             QList<QByteArray>({"VN2.0"_ba, "RL1]\\[Loco 3}|{3}|{S"_ba, "PW8080"_ba}));
}

void TestWiThrottleProtocol::keysAndStepModes()
{
    QCOMPARE(WiThrottle::addressKey(3), "S3"_ba);
    QCOMPARE(WiThrottle::addressKey(127), "S127"_ba);
    QCOMPARE(WiThrottle::addressKey(128), "L128"_ba);
    QCOMPARE(WiThrottle::speedStepModeOf(14), 8);
    QCOMPARE(WiThrottle::speedStepModeOf(31), 2);
    QCOMPARE(WiThrottle::speedStepModeOf(128), 1);
}

void TestWiThrottleProtocol::lineReaderCutsAtAnyLineEnd()
{
    WiThrottle::LineReader reader;
    QList<QByteArray> lines;
    for (const QByteArray &chunk :
         {"NPh"_ba, "one\r"_ba, "\nM0+S3<;>S3\nHU1\r\r"_ba, "*"_ba, ""_ba, "\nQ"_ba})
        QVERIFY(reader.feed(chunk, lines));
    QCOMPARE(lines, QList<QByteArray>({"NPhone"_ba, "M0+S3<;>S3"_ba, "HU1"_ba, "*"_ba}));
    QVERIFY(reader.feed("\n"_ba, lines));
    QCOMPARE(lines.last(), "Q"_ba);
}

void TestWiThrottleProtocol::lineReaderStopsAtAnOverlongLine()
{
    WiThrottle::LineReader reader;
    QList<QByteArray> lines;
    QVERIFY(reader.feed(QByteArray(QByteArray(1024, 'a') + '\n'), lines));
    QCOMPARE(lines.size(), 1);
    QVERIFY(reader.feed(QByteArray(1000, 'b'), lines));
    QVERIFY(!reader.feed(QByteArray(QByteArray(25, 'b') + "\nQ\n"), lines));
    QVERIFY(!reader.feed("Q\n"_ba, lines));
    QCOMPARE(lines.size(), 1);
}

QTEST_GUILESS_MAIN(TestWiThrottleProtocol)
#include "tst_withrottleprotocol.moc"
