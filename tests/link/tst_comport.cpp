#include "link/comport.h"
#include "link/comporterror.h"
#include "support/ptypair.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

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
