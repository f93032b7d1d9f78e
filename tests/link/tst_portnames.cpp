#include "link/portnames.h"
#include "support/ptypair.h"

#include <QFileInfo>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(PortNames::UsbDetails)

// What the port lists show beside a USB port's name.
class tst_PortNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void describe_data()
    {
        QTest::addColumn<PortNames::UsbDetails>("details");
        QTest::addColumn<QString>("shown");
        QTest::newRow("everything")
            << PortNames::UsbDetails{u"FT232R USB UART"_s,
                                     u"FTDI"_s,
                                     u"A10K3Q"_s,
                                     0x0403,
                                     0x6001,
                                     16}
            << u"FT232R USB UART, FTDI, 0403:6001, serial A10K3Q, latency 16 ms"_s;
        QTest::newRow("no-serial-no-latency")
            << PortNames::UsbDetails{u"USB Serial"_s, u"1a86"_s, {}, 0x1a86, 0x7523, -1}
            << u"USB Serial, 1a86, 1a86:7523"_s;
        QTest::newRow("blank-texts-left-out")
            << PortNames::UsbDetails{u"  "_s, {}, u" "_s, 0x10c4, 0xea60, 1}
            << u"10c4:ea60, latency 1 ms"_s;
        QTest::newRow("not-usb") << PortNames::UsbDetails{} << QString();
    }

    void describe()
    {
        QFETCH(PortNames::UsbDetails, details);
        QFETCH(QString, shown);
        QCOMPARE(PortNames::describe(details), shown);
    }

    // A pseudo-terminal or a name the system does not list has nothing behind it to tell.
    void aPortWithoutUsbShowsNothing()
    {
        PtyPair pty;
        const QHash<QString, PortNames::UsbDetails> usb = PortNames::usbDetailsByName();
        QCOMPARE(PortNames::describe(usb.value(pty.slavePath())), QString());
        QCOMPARE(PortNames::describe(usb.value(QFileInfo(pty.slavePath()).fileName())), QString());
        QCOMPARE(PortNames::describe(usb.value(u"ttyNone9"_s)), QString());
    }
};

QTEST_GUILESS_MAIN(tst_PortNames)
#include "tst_portnames.moc"
