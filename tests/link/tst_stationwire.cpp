#include "link/hexdigits.h"
#include "link/stationwire.h"
#include "platform/korvanterror.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestStationWire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesTheRoundTrip();
    void charactersGoOutAsLowEightBits();
    void framePacket();
    void hexField_data();
    void hexField();
    void byteText();
    void conversionErrorNamesTheField();
};

void TestStationWire::everyByteSurvivesTheRoundTrip()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString chars = StationWire::charsFromBytes(all);
    QCOMPARE(chars.size(), 256);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(chars.at(i).unicode(), char16_t(i));
    QCOMPARE(StationWire::bytesFromChars(chars), all);
}

void TestStationWire::charactersGoOutAsLowEightBits()
{
    const QString text = QString(QChar(0x20AC)) + QChar(0x0141) + u"A"_s;
    QCOMPARE(StationWire::bytesFromChars(text), QByteArray("\xAC\x41\x41"));
}

void TestStationWire::framePacket()
{
    QCOMPARE(StationWire::framePacket(u"C1D=03"), u"$C1D=03%"_s);
    QCOMPARE(StationWire::framePacket(u""), u"$%"_s);
}

void TestStationWire::hexField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("upper") << u"1F"_s << 31;
    QTest::newRow("lower") << u"1f"_s << 31;
    QTest::newRow("one-digit") << u"9"_s << 9;
    QTest::newRow("ff") << u"FF"_s << 255;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("g-is-no-digit") << u"G1"_s << -1;
    QTest::newRow("blank") << u" 1"_s << -1;
    QTest::newRow("dollar-prefix-is-no-digit") << u"$1"_s << -1;
    QTest::newRow("fullwidth-digit") << QString(QChar(0xFF11)) << -1;
}

void TestStationWire::hexField()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QCOMPARE(HexDigits::fieldValue(field).value_or(-1), value);
}

void TestStationWire::byteText()
{
    QCOMPARE(HexDigits::byteText(10), u"0A"_s);
    QCOMPARE(HexDigits::byteText(255), u"FF"_s);
    QCOMPARE(HexDigits::byteText(0x1AB), u"AB"_s);
}

void TestStationWire::conversionErrorNamesTheField()
{
    QCOMPARE(HexDigits::notAnInteger(u"G1").message(), u"'$G1' is not a valid integer value"_s);
}

QTEST_GUILESS_MAIN(TestStationWire)
#include "tst_stationwire.moc"
