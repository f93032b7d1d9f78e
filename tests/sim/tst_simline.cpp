#include "linemodel.h"
#include "link/stationwire.h"
#include "support/serialclient.h"
#include "support/simulatorprocess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <vector>

using namespace Qt::Literals::StringLiterals;

// The simulator's line keeps to the physical limits: no byte is there before its frame time, in
// either direction. Every timing here is a lower bound, which load cannot break: a slow machine
// only makes bytes later.

namespace {

// Two records as the firmware page sends them: 30 characters with the line ends, 26 without.
const QByteArray TwoRecords = ":020000040000FA\r\n:00000001FF\r\n";

LineModel line(int baud, const QString &frame)
{
    return LineModel{baud, FrameShape::parse(frame).value_or(FrameShape{})};
}

// What a client reads until `done`, with the time each byte was there after `clock` started.
struct Arrivals
{
    QByteArray bytes;
    std::vector<qint64> ns;
};

Arrivals readTimed(SerialClient &client, const QElapsedTimer &clock, qsizetype count,
                   int timeoutMs = 10000)
{
    Arrivals got;
    client.readUntil(
        [&](const QByteArray &sofar) {
            while (qsizetype(got.ns.size()) < sofar.size())
                got.ns.push_back(clock.nsecsElapsed());
            got.bytes = sofar;
            return sofar.size() >= count;
        },
        timeoutMs);
    return got;
}

struct Session
{
    SimulatorProcess simulator;
    SerialClient client;

    explicit Session(const QStringList &options) : simulator(options) {}
    bool open() { return simulator.start() && client.open(simulator.ptyPath()); }
};

QString ms(qint64 ns)
{
    return QString::number(double(ns) / 1e6, 'f', 3) + u" ms"_s;
}

} // namespace

class TestSimLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameShapes_data();
    void frameShapes();
    void uploadText();
    void uploadLimits_data();
    void uploadLimits();

    void echoesNeverBeforeTheirFrames_data();
    void echoesNeverBeforeTheirFrames();
    void answerCrossesTheLineByteByByte();
    void narrowFrameDropsTopBits();
    void converterHoldsForItsLatency_data();
    void converterHoldsForItsLatency();
    void fullUsbPacketDoesNotWait();
    void bootLoaderTimings_data();
    void bootLoaderTimings();
    void echoTurnedRound_data();
    void echoTurnedRound();
    void badFrameRefused();
};

void TestSimLine::frameShapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("bits");
    QTest::addColumn<QString>("name");
    QTest::newRow("8N1") << u"8N1"_s << true << 10.0 << u"8N1"_s;
    QTest::newRow("8E1") << u"8E1"_s << true << 11.0 << u"8E1"_s;
    QTest::newRow("7E2") << u"7E2"_s << true << 11.0 << u"7E2"_s;
    QTest::newRow("8N2") << u"8N2"_s << true << 11.0 << u"8N2"_s;
    QTest::newRow("5N1.5") << u"5N1.5"_s << true << 7.5 << u"5N1.5"_s;
    QTest::newRow("lower-case") << u"7o1"_s << true << 10.0 << u"7O1"_s;
    QTest::newRow("nine-data-bits") << u"9N1"_s << false << 0.0 << QString();
    QTest::newRow("unknown-parity") << u"8X1"_s << false << 0.0 << QString();
    QTest::newRow("three-stop-bits") << u"8N3"_s << false << 0.0 << QString();
    QTest::newRow("trailing-blank") << u"8N1 "_s << false << 0.0 << QString();
    QTest::newRow("empty") << QString() << false << 0.0 << QString();
}

void TestSimLine::frameShapes()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, bits);
    QFETCH(QString, name);
    const std::optional<FrameShape> shape = FrameShape::parse(text);
    QCOMPARE(shape.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(shape->bits(), bits);
    QCOMPARE(shape->name(), name);
}

void TestSimLine::uploadText()
{
    const UploadText records = UploadText::of(TwoRecords);
    QCOMPARE(records.characters, 30);
    QCOMPARE(records.lines, 2);
    QCOMPARE(records.lineCharacters, 26);
    // A last line without its line end is still a line.
    const UploadText open = UploadText::of(":00000001FF\n:0");
    QCOMPARE(open.lines, 2);
    QCOMPARE(open.lineCharacters, 13);
}

// The figures worked out by hand: at 57600 baud 8N1 a character takes 1/5760 s = 173.611 µs.
void TestSimLine::uploadLimits_data()
{
    QTest::addColumn<LineModel>("model");
    QTest::addColumn<StationTimings>("station");
    QTest::addColumn<double>("standardMs");
    QTest::addColumn<double>("specialReadMs");
    QTest::addColumn<double>("directMs");

    // standard 30 × 173.611 µs; special read 30 × 2 × 173.611 µs; direct 26 + 2 XON characters.
    QTest::newRow("57600-8N1-instant-station")
        << line(57600, u"8N1"_s) << StationTimings{} << 5.208333 << 10.416667 << 4.861111;
    // special read 30 × (347.222 + 20 + 1000) µs; direct 4.513889 ms + 2 × (0.173611 + 5 + 1) ms
    QTest::newRow("57600-8N1-write-5ms-turnaround-20us-latency-1ms")
        << line(57600, u"8N1"_s) << StationTimings{0.005, 0.00002, 0.001} << 5.208333 << 41.016667
        << 16.861111;
    // direct 4.513889 ms + 2 × (0.173611 + 5 + 16) ms
    QTest::newRow("57600-8N1-latency-16ms")
        << line(57600, u"8N1"_s) << StationTimings{0.005, 0.0, 0.016} << 5.208333 << 490.416667
        << 46.861111;
    // 11 bits at 9600 baud: 1.145833 ms a character.
    QTest::newRow("9600-7E2") << line(9600, u"7E2"_s) << StationTimings{} << 34.375 << 68.75
                              << 32.083333;
    QTest::newRow("no-line") << line(0, u"8N1"_s) << StationTimings{0.005, 0.0, 0.001} << 0.0
                             << 30.0 << 12.0;
}

void TestSimLine::uploadLimits()
{
    QFETCH(LineModel, model);
    QFETCH(StationTimings, station);
    QFETCH(double, standardMs);
    QFETCH(double, specialReadMs);
    QFETCH(double, directMs);
    const UploadText text = UploadText::of(TwoRecords);
    const auto near = [](double seconds, double expectedMs) {
        return std::abs(seconds * 1000.0 - expectedMs) < 1e-5;
    };
    QVERIFY2(near(UploadLimit::standard(model, text), standardMs),
             qPrintable(QString::number(UploadLimit::standard(model, text) * 1000.0)));
    QVERIFY2(near(UploadLimit::specialRead(model, station, text), specialReadMs),
             qPrintable(QString::number(UploadLimit::specialRead(model, station, text) * 1000.0)));
    QVERIFY2(near(UploadLimit::direct(model, station, text), directMs),
             qPrintable(QString::number(UploadLimit::direct(model, station, text) * 1000.0)));
}

void TestSimLine::echoesNeverBeforeTheirFrames_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("characters");
    QTest::newRow("600-8N1") << 600 << u"8N1"_s << 8;
    QTest::newRow("1200-7E2") << 1200 << u"7E2"_s << 8;
    QTest::newRow("2400-8N2") << 2400 << u"8N2"_s << 16;
    // A burst allowance of even a few milliseconds would let the first of these through early.
    QTest::newRow("115200-8N1") << 115200 << u"8N1"_s << 400;
}

// The whole text written at once waits in the program's output queue: the k-th character is over
// the line after k + 1 frames, and its echo after one frame more.
void TestSimLine::echoesNeverBeforeTheirFrames()
{
    QFETCH(int, baud);
    QFETCH(QString, frame);
    QFETCH(int, characters);
    Session session({u"--bootloader"_s, u"--special-read"_s, u"--baud"_s, QString::number(baud),
                     u"--frame"_s, frame});
    QVERIFY(session.open());
    QByteArray text;
    for (int i = 0; i < characters; ++i)
        text += char('0' + i % 10);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(session.client.write(text));
    const Arrivals echoes = readTimed(session.client, clock, characters);
    QCOMPARE(echoes.bytes, text);
    const qint64 frameNs = line(baud, frame).frameNs();
    for (int k = 0; k < characters; ++k) {
        const qint64 earliest = (k + 2) * frameNs - 1000;
        QVERIFY2(echoes.ns[size_t(k)] >= earliest,
                 qPrintable(u"echo %1 after %2, its frames take %3"_s.arg(k).arg(
                     ms(echoes.ns[size_t(k)]), ms(earliest))));
    }
    QCOMPARE(session.simulator.fetchCapture(), text);
}

// The station's answer goes out a frame at a time after the instruction has come in.
void TestSimLine::answerCrossesTheLineByteByByte()
{
    Session session({u"--baud"_s, u"1200"_s});
    QVERIFY(session.open());
    const QByteArray instruction = ":H000";
    QElapsedTimer clock;
    clock.start();
    QVERIFY(session.client.write(instruction));
    const Arrivals answer = readTimed(session.client, clock, StationWire::LocoStatusPacketSize);
    QCOMPARE(answer.bytes.size(), StationWire::LocoStatusPacketSize);
    QVERIFY(answer.bytes.startsWith('$'));
    const qint64 frameNs = line(1200, u"8N1"_s).frameNs();
    for (qsizetype j = 0; j < answer.bytes.size(); ++j) {
        const qint64 earliest = (instruction.size() + j + 1) * frameNs - 1000;
        QVERIFY2(answer.ns[size_t(j)] >= earliest,
                 qPrintable(u"byte %1 after %2, not before %3"_s.arg(j).arg(
                     ms(answer.ns[size_t(j)]), ms(earliest))));
    }
}

void TestSimLine::narrowFrameDropsTopBits()
{
    Session session({u"--bootloader"_s, u"--special-read"_s, u"--frame"_s, u"7E1"_s});
    QVERIFY(session.open());
    QVERIFY(session.client.write("\xC1\x31"));
    QCOMPARE(session.client.readAtLeast(2), QByteArray("A1"));
    QCOMPARE(session.simulator.fetchCapture(), QByteArray("A1"));
}

void TestSimLine::converterHoldsForItsLatency_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("latencyMs");
    QTest::newRow("no-line-latency-40") << 0 << 40;
    QTest::newRow("9600-latency-16") << 9600 << 16;
    QTest::newRow("2400-latency-30") << 2400 << 30;
}

// A chunk leaves the converter one latency after its first byte was over the line.
void TestSimLine::converterHoldsForItsLatency()
{
    QFETCH(int, baud);
    QFETCH(int, latencyMs);
    Session session(
        {u"--baud"_s, QString::number(baud), u"--latency"_s, QString::number(latencyMs)});
    QVERIFY(session.open());
    const QByteArray instruction = ":H000";
    QElapsedTimer clock;
    clock.start();
    QVERIFY(session.client.write(instruction));
    const Arrivals answer = readTimed(session.client, clock, StationWire::LocoStatusPacketSize);
    QCOMPARE(answer.bytes.size(), StationWire::LocoStatusPacketSize);

    // The answer's bytes end on the line one frame after the other; the converter hands a chunk
    // over one latency after its first byte, and the next byte opens the next chunk. The
    // simulator may start the answer late, which moves all of this later, never earlier.
    const qint64 frameNs = line(baud, u"8N1"_s).frameNs();
    const qint64 latencyNs = qint64(latencyMs) * 1000000;
    qint64 dueNs = -1;
    int chunks = 0;
    for (qsizetype j = 0; j < answer.bytes.size(); ++j) {
        const qint64 endNs = (instruction.size() + j + 1) * frameNs;
        if (dueNs < 0 || endNs >= dueNs) {
            dueNs = endNs + latencyNs;
            ++chunks;
        }
        QVERIFY2(answer.ns[size_t(j)] >= dueNs - 1000,
                 qPrintable(u"byte %1 (chunk %2) after %3, not before %4"_s.arg(j).arg(chunks).arg(
                     ms(answer.ns[size_t(j)]), ms(dueNs))));
    }
}

// The turnout table's 16 packets leave the station at once; whole USB packets of 62 bytes go
// without waiting for the latency, only the rest waits.
void TestSimLine::fullUsbPacketDoesNotWait()
{
    Session session({u"--latency"_s, u"300"_s});
    QVERIFY(session.open());
    QVERIFY(session.simulator.command(u"turnouts"_s, u"turnouts sent"_s));
    const QByteArray first = session.client.readAtLeast(1);
    QVERIFY(!first.isEmpty());
    QCOMPARE(first.size() % 62, 0);
    const QByteArray all = first + session.client.readUntilCount('%', 16);
    QCOMPARE(all.count('%'), 16);
    QVERIFY(all.size() % 62 != 0);
}

void TestSimLine::bootLoaderTimings_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<qint64>("earliestNs");
    QTest::addColumn<bool>("overrun");
    // Both records written at once: the second one arrives while the first is being written,
    // and each XON comes one write time after the one before.
    QTest::newRow("write-time-40ms")
        << QStringList{u"--write-time"_s, u"40"_s} << qint64(80000000) << true;
    QTest::newRow("xon-delay-is-the-same")
        << QStringList{u"--xon-delay"_s, u"40"_s} << qint64(80000000) << true;
    // 26 characters of 1.041667 ms, then two XON of which the second comes last.
    QTest::newRow("9600-no-write-time")
        << QStringList{u"--baud"_s, u"9600"_s} << qint64(27 * 1041667) << false;
}

void TestSimLine::bootLoaderTimings()
{
    QFETCH(QStringList, options);
    QFETCH(qint64, earliestNs);
    QFETCH(bool, overrun);
    Session session(QStringList{u"--bootloader"_s} + options);
    QVERIFY(session.open());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(session.client.write(":020000040000FA:00000001FF"));
    const Arrivals xons = readTimed(session.client, clock, 2);
    QCOMPARE(xons.bytes, QByteArray(2, StationWire::Xon));
    QVERIFY2(xons.ns.back() >= earliestNs - 1000,
             qPrintable(
                 u"second XON after %1, not before %2"_s.arg(ms(xons.ns.back()), ms(earliestNs))));
    QCOMPARE(!session.simulator.waitForLine(u"overrun"_s, overrun ? 5000 : 0).isNull(), overrun);
}

void TestSimLine::echoTurnedRound_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("turnaroundUs");
    QTest::newRow("no-line-30ms") << 0 << 30000;
    QTest::newRow("2400-5ms") << 2400 << 5000;
}

// The special read's echo starts no sooner than the boot loader has turned it round.
void TestSimLine::echoTurnedRound()
{
    QFETCH(int, baud);
    QFETCH(int, turnaroundUs);
    Session session({u"--bootloader"_s, u"--special-read"_s, u"--baud"_s, QString::number(baud),
                     u"--turnaround"_s, QString::number(turnaroundUs)});
    QVERIFY(session.open());
    const qint64 earliest = 2 * line(baud, u"8N1"_s).frameNs() + qint64(turnaroundUs) * 1000;
    for (const char c : QByteArray(":1F")) {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(session.client.write(QByteArray(1, c)));
        const Arrivals echo = readTimed(session.client, clock, 1);
        QCOMPARE(echo.bytes, QByteArray(1, c));
        QVERIFY2(
            echo.ns.front() >= earliest - 1000,
            qPrintable(u"echo after %1, not before %2"_s.arg(ms(echo.ns.front()), ms(earliest))));
    }
}

void TestSimLine::badFrameRefused()
{
    QProcess simulator;
    simulator.start(SimulatorProcess::executable(), {u"--frame"_s, u"9Q1"_s});
    QVERIFY(simulator.waitForFinished(10000));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), 2);
    QVERIFY(simulator.readAllStandardError().contains("--frame takes a shape"));
}

QTEST_GUILESS_MAIN(TestSimLine)
#include "tst_simline.moc"
