#include "link/stationwire.h"
#include "support/serialclient.h"
#include "support/simulatorprocess.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A small PIC16F1938 program as the firmware page holds it: records of different lengths,
// the extended-address and configuration records, and the end-of-file record.
const QList<QByteArray> HexLines = {
    ":020000040000FA",     ":100000008C3020008C018D018E018F0190019101BC",
    ":040010000E2800343E", ":00000000000",
    ":020000040001F9",     ":04000E00E4FFFFFFFC",
    ":00000001FF",
};

QByteArray hexText()
{
    return HexLines.join("\r\n") + "\r\n";
}

} // namespace

class TestBootLoaderSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void directModeAnswersXonPerRecord_data();
    void directModeAnswersXonPerRecord();
    void specialReadEchoesEachCharacter();
    void standardModeWholeTextIsKept();
    void silentBootLoaderNeverAnswers();
    void captureWrittenAtExit();
};

void TestBootLoaderSim::directModeAnswersXonPerRecord_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("plain") << QStringList{} << QByteArray(1, StationWire::Xon);
    QTest::newRow("stray-before-xon")
        << QStringList{u"--stray"_s, u"3"_s} << QByteArray("###") + StationWire::Xon;
    QTest::newRow("paced-at-115200")
        << QStringList{u"--baud"_s, u"115200"_s} << QByteArray(1, StationWire::Xon);
}

// Lines go out without terminators, each after the answer to the one before, as the direct
// modes send them. The malformed fourth record (one digit short) is answered once the next
// record begins, so nothing waits for ever.
void TestBootLoaderSim::directModeAnswersXonPerRecord()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, answer);
    SimulatorProcess simulator(QStringList{u"--bootloader"_s} + options);
    QVERIFY(simulator.start());
    SerialClient client;
    QVERIFY(client.open(simulator.ptyPath()));

    QByteArray sent;
    for (qsizetype i = 0; i < HexLines.size(); ++i) {
        const QByteArray &line = HexLines.at(i);
        QVERIFY(client.write(line));
        sent += line;
        // The short record is only known to be over when the next one starts.
        if (line == ":00000000000")
            continue;
        const qsizetype answers = line == HexLines.at(4) ? 2 : 1;
        const QByteArray got = client.readUntilCount(StationWire::Xon, answers);
        QCOMPARE(got, answer.repeated(answers));
    }
    QCOMPARE(simulator.fetchCapture(), sent);
}

void TestBootLoaderSim::specialReadEchoesEachCharacter()
{
    SimulatorProcess simulator({u"--bootloader"_s, u"--special-read"_s});
    QVERIFY(simulator.start());
    SerialClient client;
    QVERIFY(client.open(simulator.ptyPath()));

    const QByteArray text = hexText();
    QByteArray echoes;
    for (const char c : text) {
        QVERIFY(client.write(QByteArray(1, c)));
        echoes += client.readAtLeast(1);
    }
    QCOMPARE(echoes, text);
    QCOMPARE(simulator.fetchCapture(), text);
}

void TestBootLoaderSim::standardModeWholeTextIsKept()
{
    SimulatorProcess simulator({u"--bootloader"_s});
    QVERIFY(simulator.start());
    SerialClient client;
    QVERIFY(client.open(simulator.ptyPath()));
    QByteArray text;
    for (int copy = 0; copy < 200; ++copy)
        text += hexText();
    QVERIFY(client.write(text));
    // One XON per record; the short record is answered when the next one begins.
    const qsizetype records = 200 * HexLines.size();
    client.readUntilCount(StationWire::Xon, records, 20000);
    QCOMPARE(simulator.fetchCapture(), text);
}

void TestBootLoaderSim::silentBootLoaderNeverAnswers()
{
    SimulatorProcess simulator({u"--bootloader"_s, u"--silent"_s});
    QVERIFY(simulator.start());
    SerialClient client;
    QVERIFY(client.open(simulator.ptyPath()));
    QVERIFY(client.write(HexLines.at(1)));
    QCOMPARE(simulator.fetchCapture(), HexLines.at(1));
    QCOMPARE(client.drain(200), QByteArray());
}

void TestBootLoaderSim::captureWrittenAtExit()
{
    SimulatorProcess simulator({u"--bootloader"_s});
    QVERIFY(simulator.start());
    SerialClient client;
    QVERIFY(client.open(simulator.ptyPath()));
    QVERIFY(client.write(HexLines.at(0)));
    client.readUntilCount(StationWire::Xon, 1);
    QVERIFY(simulator.stop());
    QCOMPARE(simulator.readCaptureFile(), HexLines.at(0));
}

QTEST_GUILESS_MAIN(TestBootLoaderSim)
#include "tst_bootloadersim.moc"
