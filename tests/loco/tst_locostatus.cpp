#include "loco/locostatus.h"
#include "platform/korvanterror.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace QTest {
template <> char *toString(const LocoStatus &s)
{
    return QTest::toString(u"LocoStatus(%1)"_s.arg(encodeLocoStatus(s)));
}
} // namespace QTest

class TestLocoStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesFields_data();
    void decodesFields();
    void otherLengthsAreIgnored_data();
    void otherLengthsAreIgnored();
    void malformedFieldThrows_data();
    void malformedFieldThrows();
    void encodeIsUpperCaseAndRoundTrips();
    void sliderMaximum_data();
    void sliderMaximum();
    void speedStepBitsRebuildTheByte();
    void lampAndDirectionBits();
    void caption_data();
    void caption();
};

void TestLocoStatus::decodesFields_data()
{
    QTest::addColumn<QString>("packet");
    QTest::addColumn<LocoStatus>("expected");

    QTest::newRow("all-zero") << QString(28, u'0') << LocoStatus{};
    LocoStatus fields;
    fields.addresses = {3, 4, 5, 6};
    fields.speeds = {0x40, 0x1F, 0x0E, 0x80};
    fields.speedSteps = 0x11;
    fields.directions = 0x0A;
    fields.lamps = {0x1F, 0xE0, 0x10, 0x08};
    QTest::newRow("every-field-in-place") << u"03040506401F0E80110A1FE01008"_s << fields;
    QTest::newRow("lower-case-digits") << u"03040506401f0e80110a1fe01008"_s << fields;
}

void TestLocoStatus::decodesFields()
{
    QFETCH(QString, packet);
    QFETCH(LocoStatus, expected);
    const auto status = decodeLocoStatus(packet);
    QVERIFY(status);
    QCOMPARE(*status, expected);
}

void TestLocoStatus::otherLengthsAreIgnored_data()
{
    QTest::addColumn<QString>("packet");
    QTest::newRow("27") << QString(27, u'0');
    QTest::newRow("29") << QString(29, u'0');
    QTest::newRow("empty") << QString();
    QTest::newRow("cut-by-size-with-marks") << u"$"_s + QString(28, u'0');
}

void TestLocoStatus::otherLengthsAreIgnored()
{
    QFETCH(QString, packet);
    QVERIFY(!decodeLocoStatus(packet));
}

void TestLocoStatus::malformedFieldThrows_data()
{
    QTest::addColumn<QString>("packet");
    QTest::addColumn<QString>("message");
    QTest::newRow("first-field") << u"G3"_s + QString(26, u'0')
                                 << u"'$G3' is not a valid integer value"_s;
    QTest::newRow("last-field") << QString(26, u'0') + u"0 "_s
                                << u"'$0 ' is not a valid integer value"_s;
    QTest::newRow("percent-inside") << QString(16, u'0') + u"%0"_s + QString(10, u'0')
                                    << u"'$%0' is not a valid integer value"_s;
}

void TestLocoStatus::malformedFieldThrows()
{
    QFETCH(QString, packet);
    QFETCH(QString, message);
    try {
        decodeLocoStatus(packet);
        QFAIL("no conversion error");
    } catch (const KorvantError &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestLocoStatus::encodeIsUpperCaseAndRoundTrips()
{
    LocoStatus status;
    status.addresses = {0xAB, 1, 2, 255};
    status.speeds = {10, 31, 128, 0};
    status.speedSteps = 0xF0;
    status.directions = 0x0F;
    status.lamps = {0x1F, 0, 0x10, 0x01};
    const QString text = encodeLocoStatus(status);
    QCOMPARE(text, u"AB0102FF0A1F8000F00F1F001001"_s);
    QCOMPARE(decodeLocoStatus(text), std::optional<LocoStatus>(status));
}

void TestLocoStatus::sliderMaximum_data()
{
    QTest::addColumn<int>("speedSteps");
    QTest::addColumn<QList<int>>("maxima");
    QTest::newRow("00-all-14") << 0x00 << QList<int>{14, 14, 14, 14};
    QTest::newRow("0F-all-31") << 0x0F << QList<int>{31, 31, 31, 31};
    QTest::newRow("F0-all-128") << 0xF0 << QList<int>{128, 128, 128, 128};
    QTest::newRow("FF-both-bits-31") << 0xFF << QList<int>{31, 31, 31, 31};
    QTest::newRow("11-loco1-31-others-14") << 0x11 << QList<int>{31, 14, 14, 14};
    QTest::newRow("82-loco2-31-loco4-128") << 0x82 << QList<int>{14, 31, 14, 128};
    QTest::newRow("24-loco2-128-loco3-31") << 0x24 << QList<int>{14, 128, 31, 14};
}

void TestLocoStatus::sliderMaximum()
{
    QFETCH(int, speedSteps);
    QFETCH(QList<int>, maxima);
    for (int loco = 1; loco <= 4; ++loco)
        QCOMPARE(speedSliderMaximum(speedSteps, loco), maxima.at(loco - 1));
}

void TestLocoStatus::speedStepBitsRebuildTheByte()
{
    for (const int a : {14, 31, 128}) {
        for (const int b : {14, 31, 128}) {
            const int byte = speedStepBits(1, a) | speedStepBits(2, b) | speedStepBits(3, a) |
                             speedStepBits(4, b);
            QCOMPARE(speedSliderMaximum(byte, 1), a);
            QCOMPARE(speedSliderMaximum(byte, 2), b);
            QCOMPARE(speedSliderMaximum(byte, 3), a);
            QCOMPARE(speedSliderMaximum(byte, 4), b);
        }
    }
}

void TestLocoStatus::lampAndDirectionBits()
{
    QVERIFY(headlightBit(0x1F));
    for (int f = 1; f <= 4; ++f) {
        QVERIFY(functionBit(0x1F, f));
        QVERIFY(!functionBit(0xE0, f));
        QCOMPARE(functionBit(1 << (f - 1), f), true);
    }
    QVERIFY(!headlightBit(0xE0));
    QVERIFY(!headlightBit(0x0F));
    QVERIFY(directionBit(0x04, 3));
    QVERIFY(!directionBit(0xF0, 1));
    QVERIFY(!directionBit(0x04, 2));
}

void TestLocoStatus::caption_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("caption");
    QTest::newRow("zero") << 0 << 0 << u"Loco 0\r\n000"_s;
    QTest::newRow("address-3-speed-12") << 3 << 12 << u"Loco 3\r\n012"_s;
    QTest::newRow("speed-beyond-slider") << 255 << 0x40 << u"Loco 255\r\n064"_s;
}

void TestLocoStatus::caption()
{
    QFETCH(int, address);
    QFETCH(int, speed);
    QFETCH(QString, caption);
    QCOMPARE(locoCaption(address, speed), caption);
}

QTEST_GUILESS_MAIN(TestLocoStatus)
#include "tst_locostatus.moc"
