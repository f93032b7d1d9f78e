#include "link/lowlatency.h"
#include "support/ptypair.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <linux/serial.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A converter's driver as the request sees it: its flags, whether it answers at all, and
// every setting it was given.
struct FakeDriver
{
    int flags = 0x40;
    bool answers = true;
    bool takes = true;
    QList<int> settings;

    LowLatency::Driver driver()
    {
        return {[this](int, int &f) {
                    f = flags;
                    return answers;
                },
                [this](int, int f) {
                    settings.append(f);
                    if (takes)
                        flags = f;
                    return takes;
                }};
    }
};

} // namespace

// Low latency asked of a USB converter's driver while the port is open, and given back.
class tst_LowLatency : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestAndRestore_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("takes");
        QTest::addColumn<bool>("granted");
        QTest::addColumn<QList<int>>("settings"); // what the driver was given, in order
        const int low = ASYNC_LOW_LATENCY;
        QTest::newRow("asked-then-given-back")
            << 0x40 << true << true << true << QList<int>{0x40 | low, 0x40};
        QTest::newRow("low-already") << (0x40 | low) << true << true << true << QList<int>{};
        QTest::newRow("driver-without-serial-flags")
            << 0x40 << false << true << false << QList<int>{};
        QTest::newRow("driver-refuses") << 0x40 << true << false << false << QList<int>{0x40 | low};
    }

    void requestAndRestore()
    {
        QFETCH(int, flags);
        QFETCH(bool, answers);
        QFETCH(bool, takes);
        QFETCH(bool, granted);
        QFETCH(QList<int>, settings);
        FakeDriver fake{flags, answers, takes, {}};
        LowLatency latency(fake.driver());
        QCOMPARE(latency.request(7), granted);
        latency.restore(7);
        QCOMPARE(fake.settings, settings);
        QCOMPARE(fake.flags, flags);
        latency.restore(7); // once given back, never again
        QCOMPARE(fake.settings, settings);
    }

    // A pseudo-terminal has no serial flags: the request fails quietly and changes nothing.
    void aPseudoTerminalIsLeftAsItIs()
    {
        PtyPair pty;
        const int fd = ::open(qPrintable(pty.slavePath()), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        LowLatency latency;
        QVERIFY(!latency.request(fd));
        QVERIFY(!latency.active());
        latency.restore(fd);
        ::close(fd);
    }

    void latencyTimer_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("contents"); // of ttyUSB0's latency_timer; empty: none
        QTest::addColumn<int>("expected");        // -1: nothing shown
        QTest::newRow("factory-setting") << u"/dev/ttyUSB0"_s << QByteArray("16\n") << 16;
        QTest::newRow("low-latency") << u"ttyUSB0"_s << QByteArray("1\n") << 1;
        QTest::newRow("another-device") << u"/dev/ttyUSB1"_s << QByteArray("16\n") << -1;
        QTest::newRow("pseudo-terminal") << u"/dev/pts/3"_s << QByteArray() << -1;
        QTest::newRow("not-a-number") << u"/dev/ttyUSB0"_s << QByteArray("fast\n") << -1;
    }

    void latencyTimer()
    {
        QFETCH(QString, device);
        QFETCH(QByteArray, contents);
        QFETCH(int, expected);
        QTemporaryDir sys;
        if (!contents.isEmpty()) {
            const QString folder = sys.filePath(u"bus/usb-serial/devices/ttyUSB0"_s);
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(!TestFiles::writeIn(folder, u"latency_timer"_s, contents).isEmpty());
        }
        QCOMPARE(LowLatency::latencyTimerMs(device, sys.path()).value_or(-1), expected);
    }
};

QTEST_GUILESS_MAIN(tst_LowLatency)
#include "tst_lowlatency.moc"
