#include "link/comport.h"
#include "link/comporterror.h"
#include "support/ptyflood.h"
#include "support/ptypair.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

// Bytes that show any loss or change of order: no run of 251 repeats.
QByteArray counting(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

} // namespace

// The port class against a real pseudo-terminal: what the program writes arrives on the
// master side, what the test writes there is what the program reads.
class tst_ComPort : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<TComPort> m_port;

private Q_SLOTS:
    void init()
    {
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->isValid());
        m_port = std::make_unique<TComPort>();
        m_port->setPort(m_pty->slavePath());
        m_port->setBaudRate(PortSettings::BaudRate::br57600);
    }

    void cleanup()
    {
        m_port.reset();
        m_pty.reset();
    }

    void openAndCloseRaiseTheirEvents()
    {
        QSignalSpy opened(m_port.get(), &TComPort::afterOpen);
        QSignalSpy closed(m_port.get(), &TComPort::afterClose);
        m_port->open();
        QVERIFY(m_port->connected());
        QCOMPARE(opened.size(), 1);
        QVERIFY(m_port->lampLit(TComPort::Lamp::Connection));
        m_port->close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!m_port->lampLit(TComPort::Lamp::Connection));
    }

    void writePutsExactlyTheBytesOnTheLine()
    {
        m_port->open();
        const QByteArray bytes("\x3A\x45\x30\x30\x30\xFF\x00", 7);
        QCOMPARE(m_port->write(bytes), qint64(7));
        QCOMPARE(m_pty->readAvailable(7), bytes);
        QCOMPARE(m_pty->drain(), QByteArray());
        QVERIFY(m_port->lampLit(TComPort::Lamp::Transmit));
    }

    void transmitLampStaysLitAfterClose()
    {
        m_port->open();
        m_port->write("x");
        m_port->close();
        QVERIFY(m_port->lampLit(TComPort::Lamp::Transmit));
    }

    void readGivesUpAfterItsTotalTimeout()
    {
        m_port->setReadTotalMultiplier(20);
        m_port->setReadTotalConstant(100);
        m_port->open();
        QVERIFY(m_pty->write("ab"));
        QElapsedTimer clock;
        clock.start();
        const QByteArray got = m_port->read(5); // 20 x 5 + 100 = 200 ms
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(got, QByteArray("ab"));
        QVERIFY2(elapsed >= 190, qPrintable(QString::number(elapsed)));
    }

    void readReturnsAsSoonAsAllBytesArrived()
    {
        m_port->setReadTotalMultiplier(1000);
        m_port->setReadTotalConstant(1000);
        m_port->open();
        QVERIFY(m_pty->write("abc"));
        QCOMPARE(m_port->read(3), QByteArray("abc"));
    }

    void readWithoutTotalsReturnsWhatIsThere()
    {
        m_port->setReadInterval(-1);
        m_port->open();
        QCOMPARE(m_port->read(4), QByteArray());
    }

    void receivedBytesRaiseTheEventOrGoToTheSink()
    {
        m_port->open();
        QSignalSpy rx(m_port.get(), &TComPort::rxChar);
        QVERIFY(m_pty->write("hello"));
        QVERIFY(rx.wait(2000));
        QVERIFY(rx.first().first().toInt() >= 1);
        QVERIFY(m_port->lampLit(TComPort::Lamp::Receive));
        m_port->clearBuffers(true, false);
        QCOMPARE(m_port->inputCount(), 0);

        QByteArray sunk;
        m_port->setDataSink([&](QByteArrayView chunk) { sunk += chunk.toByteArray(); });
        QVERIFY(m_pty->write("$ABC%"));
        QTRY_COMPARE_WITH_TIMEOUT(sunk, QByteArray("$ABC%"), 2000);
    }

    void operationsOnAClosedPortFail_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("text");
        QTest::newRow("purge") << 0 << u"PurgeComm function failed (Error: 9)"_s;
        QTest::newRow("write") << 1 << u"WriteFile function failed (Error: 9)"_s;
        QTest::newRow("read") << 2 << u"ReadFile function failed (Error: 9)"_s;
    }

    void operationsOnAClosedPortFail()
    {
        QFETCH(int, operation);
        QFETCH(QString, text);
        try {
            if (operation == 0)
                m_port->clearBuffers(true, true);
            else if (operation == 1)
                m_port->write(":E000");
            else
                m_port->read(1);
            QFAIL("no error");
        } catch (const EComPort &e) {
            QCOMPARE(e.message(), text);
        }
    }

    void openFailsForAMissingDevice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("first-run-default") << u"Com1"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("missing-path") << u"/dev/korvant-no-such-port"_s;
    }

    void openFailsForAMissingDevice()
    {
        QFETCH(QString, name);
        m_port->setPort(name);
        QSignalSpy opened(m_port.get(), &TComPort::afterOpen);
        try {
            m_port->open();
            QFAIL("opened");
        } catch (const EComPort &e) {
            QCOMPARE(e.code(), EComPort::OpenFailed);
            QVERIFY(e.message().startsWith(u"Unable to open com port"_s));
        }
        QVERIFY(!m_port->connected());
        QCOMPARE(opened.size(), 0);
    }

    void hangUpClosesThePortThroughItsEvent()
    {
        m_port->open();
        QSignalSpy closed(m_port.get(), &TComPort::afterClose);
        QSignalSpy lost(m_port.get(), &TComPort::deviceLost);
        m_pty->hangUp();
        QVERIFY(lost.wait(3000));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(closed.size(), 1);
        QVERIFY(!m_port->connected());
    }

    void inputBufferBoundsWhatThePortHolds_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("one-byte") << 1;
        QTest::newRow("default") << 1024;
        QTest::newRow("large") << 65536;
    }

    // Nobody reads: the port holds the input buffer's size and takes no more; the rest waits in
    // the system, and once read everything follows in order, nothing lost.
    void inputBufferBoundsWhatThePortHolds()
    {
        QFETCH(int, size);
        m_port->setInputBufferSize(size);
        m_port->setReadTotalConstant(1000);
        m_port->open();
        const QByteArray flood = counting(4 * 1024 * 1024);
        const qsizetype taken = PtyFlood::offer(*m_pty, flood, 300);
        QVERIFY2(taken < flood.size(), "the port took the whole flood");
        QCOMPARE(m_port->inputCount(), size);

        QByteArray got;
        QDeadlineTimer deadline(20000);
        while (got.size() < taken && !deadline.hasExpired())
            got += m_port->read(int(taken - got.size()));
        QCOMPARE(got.size(), taken);
        QVERIFY(got == flood.first(taken));
    }

    // Queued for writing is at most the output buffer's size: a longer write is handed over
    // piece by piece as the line takes it, all of it in order.
    void outputBufferBoundsTheQueue()
    {
        const int size = 512;
        m_port->setOutputBufferSize(size);
        m_port->open();
        const QByteArray bytes = counting(512 * 1024);
        QByteArray arrived;
        std::thread line([&] { arrived = m_pty->readAvailable(int(bytes.size()), 30000); });
        QSignalSpy finished(m_port.get(), &TComPort::writeFinished);
        m_port->startWrite(bytes);
        int most = 0;
        QDeadlineTimer deadline(30000);
        while (finished.isEmpty() && !deadline.hasExpired()) {
            most = std::max(most, m_port->outputCount());
            finished.wait(5);
        }
        line.join();
        QCOMPARE(finished.size(), 1);
        QVERIFY2(most <= size, qPrintable(QString::number(most)));
        QCOMPARE(arrived.size(), bytes.size());
        QVERIFY(arrived == bytes);
    }

    // A full input buffer, with more waiting behind it, does not hold up a write.
    void fullInputBufferDoesNotStopAWrite()
    {
        m_port->setInputBufferSize(16);
        m_port->open();
        QVERIFY(m_pty->write(counting(4096)));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inputCount(), 16, 2000);
        const QByteArray bytes = counting(64 * 1024);
        QByteArray arrived;
        std::thread line([&] { arrived = m_pty->readAvailable(int(bytes.size()), 10000); });
        const qint64 sent = m_port->write(bytes);
        line.join();
        QCOMPARE(sent, bytes.size());
        QVERIFY(arrived == bytes);
        QCOMPARE(m_port->inputCount(), 16);
    }

    // The line gone under a queued write: the write fails with the write error, it never waits
    // for a line that cannot take anything.
    void writeToAHungUpLineFails()
    {
        m_port->open();
        m_pty->hangUp();
        try {
            m_port->write(counting(4096));
            QFAIL("no error");
        } catch (const EComPort &e) {
            QCOMPARE(e.code(), EComPort::WriteFailed);
        }
    }

    void bufferSizeBelowOneByteFailsTheOpen_data()
    {
        QTest::addColumn<int>("in");
        QTest::addColumn<int>("out");
        QTest::newRow("in-zero") << 0 << 1024;
        QTest::newRow("out-zero") << 1024 << 0;
        QTest::newRow("in-negative") << -1 << 1024;
    }

    void bufferSizeBelowOneByteFailsTheOpen()
    {
        QFETCH(int, in);
        QFETCH(int, out);
        m_port->setInputBufferSize(in);
        m_port->setOutputBufferSize(out);
        QSignalSpy opened(m_port.get(), &TComPort::afterOpen);
        try {
            m_port->open();
            QFAIL("opened");
        } catch (const EComPort &e) {
            QCOMPARE(e.message(), u"SetupComm function failed (Error: 22)"_s);
        }
        QVERIFY(!m_port->connected());
        QCOMPARE(opened.size(), 0);
    }

    void nameChangeWhileOpenReopens()
    {
        PtyPair other;
        m_port->open();
        QSignalSpy opened(m_port.get(), &TComPort::afterOpen);
        QSignalSpy closed(m_port.get(), &TComPort::afterClose);
        m_port->setPort(other.slavePath());
        QCOMPARE(closed.size(), 1);
        QCOMPARE(opened.size(), 1);
        m_port->write("z");
        QCOMPARE(other.readAvailable(1), QByteArray("z"));
    }
};

QTEST_GUILESS_MAIN(tst_ComPort)
#include "tst_comport.moc"
