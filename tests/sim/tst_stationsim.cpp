#include "cv/cvreport.h"
#include "cv/cvsequence.h"
#include "link/instructions.h"
#include "link/memoryimage.h"
#include "link/packetframer.h"
#include "link/stationwire.h"
#include "loco/locostatus.h"
#include "platform/korvanterror.h"
#include "support/serialclient.h"
#include "support/simulatorprocess.h"
#include "turnouts/turnoutsignature.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the program's framer makes of a stream, routed as the page of that packet size.
QStringList framed(const QByteArray &stream, int size)
{
    TComDataPacket framer;
    QStringList packets;
    framer.setOnPacket([&packets](const QString &packet) { packets.append(packet); });
    framer.setCaseInsensitive(true);
    framer.setStartString(u"$"_s);
    framer.setStopString(u"%"_s);
    framer.setSize(size);
    framer.feed(stream);
    return packets;
}

QString turnoutTableText()
{
    // Group A: 05 OPEN, 07 CLOSE; group B empty; group C: 12 OPEN; the rest empty.
    return MemoryImage::text(QString(TurnoutSignature::SignatureDigits + u"0085070000008C00"_s));
}

struct Session
{
    SimulatorProcess simulator;
    SerialClient client;

    explicit Session(const QStringList &options) : simulator(options) {}
    bool open() { return simulator.start() && client.open(simulator.ptyPath()); }
};

} // namespace

class TestStationSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void advertisesItselfWhileRunning();
    void instructionsAnsweredByStatus_data();
    void instructionsAnsweredByStatus();
    void unansweredInput_data();
    void unansweredInput();
    void cvSequenceAnsweredByReports_data();
    void cvSequenceAnsweredByReports();
    void turnoutTableSentBack_data();
    void turnoutTableSentBack();
    void preloadedTableSentOnCommand();
    void malformedPacketsOnDemand();
    void hangsUpAfterGivenBytes();
    void pacesAtGivenBaudRate();
    void survivesArbitraryInput();
};

void TestStationSim::advertisesItselfWhileRunning()
{
    SimulatorProcess simulator({u"--name"_s, u"BENCH2"_s});
    QVERIFY(simulator.start());
    QVERIFY(simulator.advertisedLink().endsWith(u"/korvant/ports/BENCH2"_s));
    const QFileInfo link(simulator.advertisedLink());
    QVERIFY(link.isSymLink());
    QCOMPARE(link.symLinkTarget(), simulator.ptyPath());
    QVERIFY(simulator.stop());
    QVERIFY(!QFileInfo::exists(simulator.advertisedLink()));
    QVERIFY(!QFileInfo(simulator.advertisedLink()).isSymLink());
}

void TestStationSim::instructionsAnsweredByStatus_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("instructions");
    QTest::addColumn<QString>("lastStatus");

    const QStringList none;
    QTest::newRow("speed-loco1") << none << QStringList{Instructions::speed(1, 10)}
                                 << u"030405060A0000000F0000000000"_s;
    QTest::newRow("speed-held-to-slider-maximum")
        << none << QStringList{Instructions::speed(2, 0x40)} << u"03040506001F00000F0000000000"_s;
    QTest::newRow("speed-128-steps")
        << QStringList{u"--speed-steps"_s, u"14,31,31,128"_s}
        << QStringList{Instructions::speed(4, 128)} << u"0304050600000080860000000000"_s;
    QTest::newRow("direction-loco2")
        << none << QStringList{Instructions::direction(2)} << u"03040506000000000F0200000000"_s;
    QTest::newRow("direction-toggles-back")
        << none << QStringList{Instructions::direction(2), Instructions::direction(2)}
        << u"03040506000000000F0000000000"_s;
    QTest::newRow("headlight-loco3")
        << none << QStringList{Instructions::headlight(3)} << u"03040506000000000F0000001000"_s;
    QTest::newRow("function-9-is-loco3-f1")
        << none << QStringList{Instructions::function(3, 1)} << u"03040506000000000F0000000100"_s;
    QTest::newRow("function-g-is-loco4-f4")
        << none << QStringList{Instructions::function(4, 4)} << u"03040506000000000F0000000008"_s;
    QTest::newRow("headlight-and-all-functions-loco1")
        << none
        << QStringList{Instructions::headlight(1), Instructions::function(1, 1),
                       Instructions::function(1, 2), Instructions::function(1, 3),
                       Instructions::function(1, 4)}
        << u"03040506000000000F001F000000"_s;
    QTest::newRow("emergency-stop-stops-all")
        << none
        << QStringList{Instructions::speed(1, 31), Instructions::speed(3, 5),
                       Instructions::emergencyStop()}
        << u"03040506000000000F0000000000"_s;
    QTest::newRow("addresses-option")
        << QStringList{u"--addresses"_s, u"10,20,30,255"_s}
        << QStringList{Instructions::headlight(4)} << u"0A141EFF000000000F0000000010"_s;
}

void TestStationSim::instructionsAnsweredByStatus()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, instructions);
    QFETCH(QString, lastStatus);
    Session session(options);
    QVERIFY(session.open());

    QByteArray stream;
    for (const QString &instruction : std::as_const(instructions)) {
        QVERIFY(session.client.write(StationWire::bytesFromChars(instruction)));
        stream += session.client.readUntilCount('%', 1);
    }
    const QStringList packets = framed(stream, StationWire::LocoStatusPacketSize);
    QCOMPARE(packets.size(), instructions.size());
    QCOMPARE(packets.constLast(), lastStatus);
    QVERIFY(decodeLocoStatus(packets.constLast()));
}

// Each input is followed by ":H000"; only that one is answered.
void TestStationSim::unansweredInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("cv-page-instruction") << QByteArray(":X100");
    QTest::newRow("unknown-letter") << QByteArray(":Q000");
    QTest::newRow("speed-not-hex") << QByteArray(":S1G0");
    QTest::newRow("direction-loco-out-of-range") << QByteArray(":D900");
    QTest::newRow("line-ends-and-high-bytes") << QByteArray("\r\n\xff\x80\x11 :");
}

void TestStationSim::unansweredInput()
{
    QFETCH(QByteArray, input);
    Session session({});
    QVERIFY(session.open());
    QVERIFY(session.client.write(input));
    QVERIFY(session.client.write(":H000"));
    const QByteArray stream = session.client.readUntilCount('%', 1);
    QCOMPARE(framed(stream, StationWire::LocoStatusPacketSize),
             QStringList{u"03040506000000000F0010000000"_s});
    QCOMPARE(session.simulator.fetchCapture(), input + ":H000");
}

void TestStationSim::cvSequenceAnsweredByReports_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<int>>("cvs");
    QTest::addColumn<QList<int>>("values");

    QTest::newRow("default-list") << QStringList{u"--cv"_s, u"1=3"_s,  u"--cv"_s, u"2=12"_s,
                                                 u"--cv"_s, u"3=0"_s,  u"--cv"_s, u"4=255"_s,
                                                 u"--cv"_s, u"5=64"_s, u"--cv"_s, u"29=6"_s}
                                  << QList<int>{1, 2, 3, 4, 5, 29}
                                  << QList<int>{3, 12, 0, 255, 64, 6};
    QTest::newRow("chunked-with-noise")
        << QStringList{u"--cv"_s,    u"29=6"_s, u"--cv"_s,    u"255=171"_s,
                       u"--chunk"_s, u"3"_s,    u"--noise"_s, u"12"_s}
        << QList<int>{29, 255} << QList<int>{6, 171};
}

void TestStationSim::cvSequenceAnsweredByReports()
{
    QFETCH(QStringList, options);
    QFETCH(QList<int>, cvs);
    QFETCH(QList<int>, values);
    Session session(options);
    QVERIFY(session.open());

    const QString sequence = CvSequence::text(cvs);
    QVERIFY(session.client.write(StationWire::bytesFromChars(sequence)));
    const QByteArray stream = session.client.readUntilCount('%', cvs.size());
    const QStringList packets = framed(stream, StationWire::CvPacketSize);
    QCOMPARE(packets.size(), cvs.size());
    for (qsizetype i = 0; i < packets.size(); ++i) {
        const auto report = decodeCvReport(packets.at(i));
        QVERIFY2(report, qPrintable(packets.at(i)));
        QCOMPARE(report->cv, cvs.at(i));
        QCOMPARE(report->value, values.at(i));
    }
    QCOMPARE(session.simulator.fetchCapture(), StationWire::bytesFromChars(sequence));
}

void TestStationSim::turnoutTableSentBack_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("askByCommand");
    QTest::newRow("on-command") << QStringList{} << true;
    QTest::newRow("after-upload-option") << QStringList{u"--send-turnouts-after-upload"_s} << false;
    QTest::newRow("chunked-with-noise")
        << QStringList{u"--chunk"_s, u"7"_s, u"--noise"_s, u"20"_s} << true;
}

void TestStationSim::turnoutTableSentBack()
{
    QFETCH(QStringList, options);
    QFETCH(bool, askByCommand);
    Session session(options);
    QVERIFY(session.open());

    const QString table = turnoutTableText();
    QCOMPARE(table.size(), MemoryImage::TextLength);
    QVERIFY(session.client.write(StationWire::bytesFromChars(table)));
    QVERIFY(!session.simulator.waitForLine(u"turnouts stored"_s).isNull());
    if (askByCommand)
        QVERIFY(session.simulator.command(u"turnouts"_s, u"turnouts sent"_s));

    const QByteArray stream = session.client.readUntilCount('%', MemoryImage::LineCount);
    const QStringList packets = framed(stream, StationWire::TurnoutPacketSize);
    QCOMPARE(packets.size(), MemoryImage::LineCount);
    for (const QString &packet : packets)
        QCOMPARE(packet.size(), MemoryImage::LineLength + 2);
    QCOMPARE(packets.join(QString()), table);
}

void TestStationSim::preloadedTableSentOnCommand()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(u"table.tout"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(StationWire::bytesFromChars(turnoutTableText()));
    file.close();
    Session session({u"--turnouts"_s, file.fileName()});
    QVERIFY(session.open());
    QVERIFY(session.simulator.command(u"turnouts"_s, u"turnouts sent"_s));
    const QByteArray stream = session.client.readUntilCount('%', MemoryImage::LineCount);
    QCOMPARE(framed(stream, StationWire::TurnoutPacketSize).join(QString()), turnoutTableText());
}

void TestStationSim::malformedPacketsOnDemand()
{
    Session session({u"--malformed"_s, u"2"_s});
    QVERIFY(session.open());
    QVERIFY(session.client.write(":H000"));
    QByteArray stream = session.client.readUntilCount('%', 1);
    QVERIFY(session.client.write(":H000"));
    stream += session.client.readUntilCount('%', 1);
    const QStringList packets = framed(stream, StationWire::LocoStatusPacketSize);
    QCOMPARE(packets.size(), 2);
    QVERIFY(decodeLocoStatus(packets.at(0)));
    QVERIFY_THROWS_EXCEPTION(KorvantError, decodeLocoStatus(packets.at(1)));
}

void TestStationSim::hangsUpAfterGivenBytes()
{
    Session session({u"--hangup-after"_s, u"7"_s});
    QVERIFY(session.open());
    QVERIFY(session.client.write(":H000:H100"));
    QVERIFY(!session.simulator.waitForLine(u"hung up"_s).isNull());
    QVERIFY(session.simulator.waitForExit());
    QCOMPARE(session.simulator.readCaptureFile(), QByteArray(":H000:H"));
}

void TestStationSim::pacesAtGivenBaudRate()
{
    // 300 baud is 30 bytes a second: a 30-byte status packet cannot arrive in under ~0.9 s.
    Session session({u"--baud"_s, u"300"_s});
    QVERIFY(session.open());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(session.client.write(":H000"));
    const QByteArray stream = session.client.readUntilCount('%', 1, 10000);
    QCOMPARE(framed(stream, StationWire::LocoStatusPacketSize).size(), 1);
    QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
}

void TestStationSim::survivesArbitraryInput()
{
    Session session({});
    QVERIFY(session.open());
    QByteArray junk;
    for (int i = 0; i < 20000; ++i)
        junk += char((i * 131 + 7) % 256);
    junk += "\r\n:00,\r\n:01,02\r\n:0";
    QVERIFY(session.client.write(junk));
    QVERIFY(session.client.write(":H000"));
    // Whatever the junk made of the slots, an instruction after it is still answered.
    const auto answered = [](const QByteArray &got) {
        const QStringList packets = framed(got, StationWire::LocoStatusPacketSize);
        return std::any_of(packets.begin(), packets.end(), [](const QString &packet) {
            return packet.size() == LocoStatus::PacketLength && decodeLocoStatus(packet);
        });
    };
    QVERIFY(answered(session.client.readUntil(answered)));
    QVERIFY(session.simulator.isRunning());
    QVERIFY(session.simulator.stop());
}

QTEST_GUILESS_MAIN(TestStationSim)
#include "tst_stationsim.moc"
