#include "link/portsettings.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace PortSettings;

Q_DECLARE_METATYPE(PortSettings::FlowControlFields)

class tst_PortSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesToValues_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("baud-exact") << u"baud"_s << u"115200"_s << u"115200"_s;
        QTest::newRow("baud-custom-lower") << u"baud"_s << u"custom"_s << u"Custom"_s;
        QTest::newRow("baud-unknown-gives-9600") << u"baud"_s << u"57601"_s << u"9600"_s;
        QTest::newRow("stop-1.5") << u"stop"_s << u"1.5"_s << u"1.5"_s;
        QTest::newRow("stop-unknown-gives-1") << u"stop"_s << u"3"_s << u"1"_s;
        QTest::newRow("data-7") << u"data"_s << u"7"_s << u"7"_s;
        QTest::newRow("data-unknown-gives-8") << u"data"_s << u""_s << u"8"_s;
        QTest::newRow("parity-even-lower") << u"parity"_s << u"even"_s << u"Even"_s;
        QTest::newRow("parity-0-gives-none") << u"parity"_s << u"0"_s << u"None"_s;
        QTest::newRow("parity-non-ascii-fold") << u"parity"_s << u"\u0131dd"_s << u"None"_s;
        QTest::newRow("flow-software") << u"flow"_s << u"SOFTWARE"_s << u"Software"_s;
        QTest::newRow("flow-unknown-gives-custom") << u"flow"_s << u"rts"_s << u"Custom"_s;
    }

    void namesToValues()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, name);
        QString got;
        if (kind == u"baud"_s)
            got = PortSettings::name(baudRateFromName(text));
        else if (kind == u"stop"_s)
            got = PortSettings::name(stopBitsFromName(text));
        else if (kind == u"data"_s)
            got = PortSettings::name(dataBitsFromName(text));
        else if (kind == u"parity"_s)
            got = PortSettings::name(parityFromName(text));
        else
            got = PortSettings::name(flowControlFromName(text));
        QCOMPARE(got, name);
    }

    void flowControlIsDerivedFromItsFields_data()
    {
        QTest::addColumn<FlowControlFields>("fields");
        QTest::addColumn<FlowControl>("derived");
        FlowControlFields none;
        QTest::newRow("all-off") << none << FlowControl::None;
        QTest::newRow("hardware") << withFlowControl(none, FlowControl::Hardware)
                                  << FlowControl::Hardware;
        QTest::newRow("software") << withFlowControl(none, FlowControl::Software)
                                  << FlowControl::Software;
        FlowControlFields ctsOnly = none;
        ctsOnly.ctsOutputFlow = true;
        QTest::newRow("cts-without-rts-handshake") << ctsOnly << FlowControl::Custom;
        FlowControlFields xonIn = none;
        xonIn.xonXoffIn = true;
        QTest::newRow("xon-in-only") << xonIn << FlowControl::Custom;
        QTest::newRow("custom-changes-nothing")
            << withFlowControl(xonIn, FlowControl::Custom) << FlowControl::Custom;
        QTest::newRow("none-clears-hardware")
            << withFlowControl(withFlowControl(none, FlowControl::Hardware), FlowControl::None)
            << FlowControl::None;
    }

    void flowControlIsDerivedFromItsFields()
    {
        QFETCH(FlowControlFields, fields);
        QFETCH(FlowControl, derived);
        QCOMPARE(deriveFlowControl(fields), derived);
    }

    void bitsPerSecondOfNamedRates()
    {
        QCOMPARE(bitsPerSecond(BaudRate::br57600), 57600);
        QCOMPARE(bitsPerSecond(BaudRate::br256000), 256000);
        QCOMPARE(bitsPerSecond(BaudRate::Custom), 0);
    }
};

QTEST_GUILESS_MAIN(tst_PortSettings)
#include "tst_portsettings.moc"
