#include "link/packetframer.h"
#include "link/stationwire.h"

#include <QRandomGenerator>
#include <QTest>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

// The page routing: attach, handler, case rule, include strings, marks, size, in that order.
void route(TComDataPacket &framer, int size, QStringList *packets)
{
    framer.attach();
    framer.setOnPacket([packets](const QString &packet) { packets->append(packet); });
    framer.setCaseInsensitive(true);
    framer.setIncludeStrings(false);
    framer.setStartString(u"$"_s);
    framer.setStopString(u"%"_s);
    framer.setSize(size);
}

QByteArray statusPacket()
{
    return "$0304050600000000F00F10000102%";
}

QList<QByteArray> chunksOf(const QByteArray &bytes, const QList<int> &sizes)
{
    QList<QByteArray> chunks;
    qsizetype at = 0;
    for (const int size : sizes) {
        chunks.append(bytes.mid(at, size));
        at += size;
    }
    return chunks;
}

enum class Setting
{
    Start,
    Stop,
    Size,
    CaseRule
};

} // namespace

class TestPacketFramer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framing_data();
    void framing();
    void markCase_data();
    void markCase();
    void includeStrings();
    void settingChanges_data();
    void settingChanges();
    void attachingKeepsBuffer();
    void detourThroughUnroutedPageKeepsPartialPacket();
    void routingToOtherSizeDropsPartialPacket();
    void throwingHandlerLeavesFramerConsistent();
    void handlerMayChangeSettings();
    void withoutEndRuleChunksPassThrough();
    void arbitraryInputKeepsInvariants();
};

void TestPacketFramer::framing_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("packets");
    QTest::addColumn<QString>("left");

    const QString status = u"0304050600000000F00F10000102"_s;
    QTest::newRow("status-packet-whole")
        << 30 << QList<QByteArray>{statusPacket()} << QStringList{status} << QString();
    QTest::newRow("status-packet-split-7-15-8")
        << 30 << chunksOf(statusPacket(), {7, 15, 8}) << QStringList{status} << QString();
    QTest::newRow("status-packet-byte-by-byte")
        << 30 << chunksOf(statusPacket(), QList<int>(30, 1)) << QStringList{status} << QString();
    QTest::newRow("two-reports-one-chunk-size10")
        << 10 << QList<QByteArray>{"$12%$34%"} << QStringList{u"12"_s, u"34"_s} << QString();
    QTest::newRow("stop-text-within-size-ends-packet")
        << 10 << QList<QByteArray>{"$123456%$ab%"} << QStringList{u"123456"_s, u"ab"_s}
        << QString();
    QTest::newRow("six-short-cv-reports-one-chunk")
        << 10 << QList<QByteArray>{"$C01=03%$C02=0C%$C03=18%$C04=1F%$C05=26%$C1D=06%"}
        << QStringList{u"C01=03"_s, u"C02=0C"_s, u"C03=18"_s, u"C04=1F"_s, u"C05=26"_s, u"C1D=06"_s}
        << QString();
    QTest::newRow("short-malformed-packet-then-status")
        << 30 << QList<QByteArray>{"$03G4%" + statusPacket()} << QStringList{u"03G4"_s, status}
        << QString();
    QTest::newRow("full-size-reports-back-to-back-all-cut")
        << 10 << QList<QByteArray>{"$C01=03\r\n%$C02=0C\r\n%"}
        << QStringList{u"C01=03\r\n"_s, u"C02=0C\r\n"_s} << QString();
    QTest::newRow("noise-before-start-dropped")
        << 52 << QList<QByteArray>{"xyz$ABC%"} << QStringList{u"ABC"_s} << QString();
    QTest::newRow("59-characters-on-size-52")
        << 52 << QList<QByteArray>{"$" + QByteArray(51, 'a') + QByteArray(8, 'b')}
        << QStringList{QString(51, u'a')} << QString(8, u'b');
    const QByteArray line = ":03,04,05,06,0F,04,0A,00,85,07,00,00,8C,00,00,00";
    QTest::newRow("turnout-line-with-crlf-fills-52")
        << 52 << QList<QByteArray>{"$" + line + "\r\n%"}
        << QStringList{StationWire::charsFromBytes(line) + u"\r\n"_s} << QString();
    QTest::newRow("1100-noise-bytes-then-packet")
        << 30 << QList<QByteArray>{QByteArray(1100, 'x'), statusPacket()} << QStringList{status}
        << QString();
    QTest::newRow("noise-in-100-byte-chunks-then-packet")
        << 30 << QList<QByteArray>(11, QByteArray(100, 'x')) + QList<QByteArray>{statusPacket()}
        << QStringList{status} << QString();
    QTest::newRow("noise-below-1024-kept")
        << 30 << QList<QByteArray>{QByteArray(1023, 'x')} << QStringList{} << QString(1023, u'x');
    QTest::newRow("partial-packet-waits")
        << 30 << QList<QByteArray>{"$0304"} << QStringList{} << u"$0304"_s;
    QTest::newRow("second-start-inside-packet-is-content")
        << 30 << QList<QByteArray>{"$1$2%"} << QStringList{u"1$2"_s} << QString();
    QTest::newRow("stop-text-inside-size-ends-early")
        << 5 << QList<QByteArray>{"$1%2%"} << QStringList{u"1"_s} << u"2%"_s;
    QTest::newRow("stop-text-beyond-size-cut-at-size")
        << 5 << QList<QByteArray>{"$1234%"} << QStringList{u"1234"_s} << u"%"_s;
    QTest::newRow("empty-packet") << 10 << QList<QByteArray>{"$%"} << QStringList{QString()}
                                  << QString();
    QTest::newRow("bytes-above-0x7f-become-latin-1-characters")
        << 10 << QList<QByteArray>{"$\xff\x80\x11%"}
        << QStringList{QString(QChar(0xFF)) + QChar(0x80) + QChar(0x11)} << QString();
    QTest::newRow("nul-bytes-kept") << 10 << QList<QByteArray>{QByteArray("$a\0b%", 5)}
                                    << QStringList{u"a"_s + QChar(0) + u"b"_s} << QString();
}

void TestPacketFramer::framing()
{
    QFETCH(int, size);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, packets);
    QFETCH(QString, left);

    TComDataPacket framer;
    QStringList got;
    route(framer, size, &got);
    for (const QByteArray &chunk : chunks)
        framer.feed(chunk);
    QCOMPARE(got, packets);
    QCOMPARE(framer.bufferedText(), left);
}

void TestPacketFramer::markCase_data()
{
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<QStringList>("packets");
    QTest::newRow("case-insensitive-matches-lowercase") << true << QStringList{u"12"_s, u"34"_s};
    QTest::newRow("case-sensitive-needs-exact-marks") << false << QStringList{u"34"_s};
}

void TestPacketFramer::markCase()
{
    QFETCH(bool, caseInsensitive);
    QFETCH(QStringList, packets);
    TComDataPacket framer;
    QStringList got;
    framer.setOnPacket([&got](const QString &packet) { got.append(packet); });
    framer.setCaseInsensitive(caseInsensitive);
    framer.setStartString(u"<S"_s);
    framer.setStopString(u"E>"_s);
    framer.feed("<s12e><S34E>");
    QCOMPARE(got, packets);
}

void TestPacketFramer::includeStrings()
{
    TComDataPacket framer;
    QStringList got;
    route(framer, 10, &got);
    framer.setIncludeStrings(true);
    framer.feed("x$12%$34");
    QCOMPARE(got, QStringList{u"$12%"_s});
}

void TestPacketFramer::settingChanges_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<bool>("different");
    QTest::newRow("same-start-keeps") << int(Setting::Start) << false;
    QTest::newRow("other-start-empties") << int(Setting::Start) << true;
    QTest::newRow("same-stop-keeps") << int(Setting::Stop) << false;
    QTest::newRow("other-stop-empties") << int(Setting::Stop) << true;
    QTest::newRow("same-size-keeps") << int(Setting::Size) << false;
    QTest::newRow("other-size-empties") << int(Setting::Size) << true;
    QTest::newRow("same-case-rule-keeps") << int(Setting::CaseRule) << false;
    QTest::newRow("other-case-rule-empties") << int(Setting::CaseRule) << true;
}

void TestPacketFramer::settingChanges()
{
    QFETCH(int, setting);
    QFETCH(bool, different);
    TComDataPacket framer;
    QStringList got;
    route(framer, 30, &got);
    framer.feed("$0304");
    QVERIFY(framer.isInPacket());

    switch (Setting(setting)) {
    case Setting::Start:
        framer.setStartString(different ? u"#"_s : u"$"_s);
        break;
    case Setting::Stop:
        framer.setStopString(different ? u"#"_s : u"%"_s);
        break;
    case Setting::Size:
        framer.setSize(different ? 10 : 30);
        break;
    case Setting::CaseRule:
        framer.setCaseInsensitive(!different);
        break;
    }
    QCOMPARE(framer.isInPacket(), !different);
    QCOMPARE(framer.bufferedText(), different ? QString() : u"$0304"_s);
}

void TestPacketFramer::attachingKeepsBuffer()
{
    TComDataPacket framer;
    QStringList got;
    route(framer, 30, &got);
    framer.feed("noise$0304");
    framer.detach();
    QVERIFY(!framer.isAttached());
    framer.attach();
    QCOMPARE(framer.bufferedText(), u"$0304"_s);
    QVERIFY(framer.isInPacket());
}

void TestPacketFramer::detourThroughUnroutedPageKeepsPartialPacket()
{
    TComDataPacket framer;
    QStringList got;
    route(framer, 30, &got);
    const QByteArray packet = statusPacket();
    framer.feed(packet.left(12));
    // The Admin page leaves the routing alone; coming back sets equal values again.
    route(framer, 30, &got);
    framer.feed(packet.mid(12));
    QCOMPARE(got, QStringList{StationWire::charsFromBytes(packet.mid(1, 28))});
}

void TestPacketFramer::routingToOtherSizeDropsPartialPacket()
{
    TComDataPacket framer;
    QStringList got;
    route(framer, 30, &got);
    framer.feed(statusPacket().left(12));
    route(framer, 52, &got);
    framer.feed(statusPacket().mid(12));
    QCOMPARE(got, QStringList{});
    // What is left has no start text and waits to be dropped by the next one.
    QCOMPARE(framer.bufferedText(), StationWire::charsFromBytes(statusPacket().mid(12)));
    QVERIFY(!framer.isInPacket());
}

void TestPacketFramer::throwingHandlerLeavesFramerConsistent()
{
    TComDataPacket framer;
    QStringList got;
    route(framer, 10, &got);
    framer.setOnPacket([&got](const QString &packet) {
        got.append(packet);
        if (packet == u"bad")
            throw std::runtime_error("malformed");
    });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, framer.feed("$bad%$ok%"));
    QCOMPARE(framer.bufferedText(), u"$ok%"_s);
    QVERIFY(!framer.isInPacket());
    framer.feed("");
    QCOMPARE(got, (QStringList{u"bad"_s, u"ok"_s}));
    QCOMPARE(framer.bufferedText(), QString());
}

void TestPacketFramer::handlerMayChangeSettings()
{
    TComDataPacket framer;
    QStringList got;
    route(framer, 10, &got);
    framer.setOnPacket([&](const QString &packet) {
        got.append(packet);
        framer.setSize(30);
    });
    framer.feed("$1%$2%$3");
    QCOMPARE(got, QStringList{u"1"_s});
    QCOMPARE(framer.bufferedText(), QString());
}

void TestPacketFramer::withoutEndRuleChunksPassThrough()
{
    TComDataPacket framer;
    QStringList got;
    framer.setOnPacket([&got](const QString &packet) { got.append(packet); });
    framer.feed("ab");
    framer.feed("c");
    QCOMPARE(got, (QStringList{u"ab"_s, u"c"_s}));
    QCOMPARE(framer.bufferedText(), QString());
}

// Random bytes, marks and sizes: the framer never grows past its limit, and every packet it
// delivers fits the size it was cut with.
void TestPacketFramer::arbitraryInputKeepsInvariants()
{
    QRandomGenerator random(20240601);
    for (int round = 0; round < 200; ++round) {
        TComDataPacket framer;
        const int size = random.bounded(0, 60);
        int longest = 0;
        framer.setOnPacket(
            [&longest](const QString &p) { longest = std::max(longest, int(p.size())); });
        framer.setCaseInsensitive(random.bounded(2) == 1);
        framer.setStartString(QString(random.bounded(0, 3), u'$'));
        framer.setStopString(QString(random.bounded(0, 3), u'%'));
        framer.setSize(size);
        for (int chunk = 0; chunk < 20; ++chunk) {
            QByteArray bytes(random.bounded(0, 300), Qt::Uninitialized);
            for (char &b : bytes)
                b = char(random.bounded(4) == 0 ? "$%"[random.bounded(2)] : random.bounded(256));
            framer.feed(bytes);
            QVERIFY(framer.bufferedText().size() < TComDataPacket::MaxBufferSize);
        }
        if (size > 0)
            QVERIFY(longest <= size);
    }
}

QTEST_GUILESS_MAIN(TestPacketFramer)
#include "tst_packetframer.moc"
