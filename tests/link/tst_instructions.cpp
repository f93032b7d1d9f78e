#include "link/instructions.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestInstructions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void builtForm_data();
    void builtForm();
    void parsesWhatItBuilds_data() { builtForm_data(); }
    void parsesWhatItBuilds();
    void parsedFields_data();
    void parsedFields();
    void rejects_data();
    void rejects();
};

void TestInstructions::builtForm_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");

    QTest::newRow("speed-loco1-0") << Instructions::speed(1, 0) << u":S100"_s;
    QTest::newRow("speed-loco1-10-uppercase") << Instructions::speed(1, 10) << u":S10A"_s;
    QTest::newRow("speed-loco1-31") << Instructions::speed(1, 31) << u":S11F"_s;
    QTest::newRow("speed-loco2-14") << Instructions::speed(2, 14) << u":S20E"_s;
    QTest::newRow("speed-loco3-5") << Instructions::speed(3, 5) << u":S305"_s;
    QTest::newRow("speed-loco4-128") << Instructions::speed(4, 128) << u":S480"_s;
    for (int loco = 1; loco <= 4; ++loco) {
        const QString zeroBased = QString::number(loco - 1);
        QTest::addRow("direction-loco%d", loco)
            << Instructions::direction(loco) << u":D"_s + zeroBased + u"00"_s;
        QTest::addRow("headlight-loco%d", loco)
            << Instructions::headlight(loco) << u":H"_s + zeroBased + u"00"_s;
    }
    const QString indexChars = u"123456789abcdefg"_s;
    for (int loco = 1; loco <= 4; ++loco) {
        for (int function = 1; function <= 4; ++function) {
            const QChar index = indexChars.at(4 * (loco - 1) + function - 1);
            QTest::addRow("function-loco%d-f%d", loco, function)
                << Instructions::function(loco, function) << u":F"_s + index + u"00"_s;
        }
    }
    QTest::newRow("emergency-stop") << Instructions::emergencyStop() << u":E000"_s;
    QTest::newRow("cv-page-opened") << Instructions::cvPageOpened() << u":X100"_s;
}

void TestInstructions::builtForm()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void TestInstructions::parsesWhatItBuilds()
{
    QFETCH(QString, expected);
    const auto parsed = Instructions::parse(expected);
    QVERIFY(parsed);
    QCOMPARE(Instructions::text(*parsed), expected);
}

void TestInstructions::parsedFields_data()
{
    using Kind = Instructions::Instruction::Kind;
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("loco");
    QTest::addColumn<int>("value");

    QTest::newRow("speed-lowercase-digits") << u":S21f"_s << int(Kind::Speed) << 2 << 31;
    QTest::newRow("direction-zero-based") << u":D300"_s << int(Kind::Direction) << 4 << 0;
    QTest::newRow("headlight-zero-based") << u":H000"_s << int(Kind::Headlight) << 1 << 0;
    QTest::newRow("function-9-is-loco3-f1") << u":F900"_s << int(Kind::Function) << 3 << 1;
    QTest::newRow("function-g-is-loco4-f4") << u":Fg00"_s << int(Kind::Function) << 4 << 4;
    QTest::newRow("function-a-is-loco3-f2") << u":Fa00"_s << int(Kind::Function) << 3 << 2;
}

void TestInstructions::parsedFields()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(int, loco);
    QFETCH(int, value);
    const auto parsed = Instructions::parse(text);
    QVERIFY(parsed);
    QCOMPARE(int(parsed->kind), kind);
    QCOMPARE(parsed->loco, loco);
    QCOMPARE(parsed->value, value);
}

void TestInstructions::rejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("too-short") << u":S10"_s;
    QTest::newRow("too-long") << u":S1000"_s;
    QTest::newRow("no-colon") << u"S1000"_s;
    QTest::newRow("unknown-letter") << u":Q000"_s;
    QTest::newRow("speed-loco-0") << u":S000"_s;
    QTest::newRow("speed-loco-5") << u":S500"_s;
    QTest::newRow("speed-not-hex") << u":S1G0"_s;
    QTest::newRow("direction-loco-4") << u":D400"_s;
    QTest::newRow("direction-operand") << u":D001"_s;
    QTest::newRow("function-h") << u":Fh00"_s;
    QTest::newRow("function-0") << u":F000"_s;
    QTest::newRow("function-uppercase-index") << u":FA00"_s;
    QTest::newRow("emergency-operand") << u":E001"_s;
    QTest::newRow("x-operand") << u":X000"_s;
}

void TestInstructions::rejects()
{
    QFETCH(QString, text);
    QVERIFY(!Instructions::parse(text));
}

QTEST_GUILESS_MAIN(TestInstructions)
#include "tst_instructions.moc"
