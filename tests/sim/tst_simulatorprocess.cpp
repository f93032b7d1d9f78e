#include "support/serialclient.h"
#include "support/simulatorprocess.h"

#include <QTest>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

// The tests' hold on the simulator: a simulator that fails (a crash, a sanitizer's report and
// its non-zero status) must fail the test that ran it, with its standard error shown. These
// cases cause such failures on purpose and take them, so that they fail nothing themselves.
class tst_SimulatorProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aCleanEndIsNoFailure_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("stopped") << QStringList{};
        // The hang-up fault ends the simulator by itself, cleanly.
        QTest::newRow("hung-up") << QStringList{u"--hangup-after"_s, u"1"_s};
    }

    void aCleanEndIsNoFailure()
    {
        QFETCH(QStringList, options);
        SimulatorProcess sim(options);
        QVERIFY(sim.start());
        if (options.isEmpty()) {
            QVERIFY(sim.stop());
        } else {
            SerialClient client;
            QVERIFY(client.open(sim.ptyPath()));
            QVERIFY(client.write(":H000"));
            QVERIFY(sim.waitForExit());
        }
        QCOMPARE(sim.failure(), QString());
        QVERIFY(sim.stop()); // asked again, the answer stands
    }

    void aCrashIsAFailure_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("segmentation-fault") << SIGSEGV;
        QTest::newRow("abort") << SIGABRT;
    }

    void aCrashIsAFailure()
    {
        QFETCH(int, signal);
        SimulatorProcess sim;
        QVERIFY(sim.start());
        QVERIFY(::kill(pid_t(sim.processId()), signal) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!sim.isRunning(), 5000);
        // Under AddressSanitizer a segmentation fault is its report and a status of 1.
        const QString failure = sim.failure();
        QVERIFY2(failure.startsWith(u"crashed"_s) || failure.startsWith(u"ended with status"_s),
                 qPrintable(failure));
        QCOMPARE(sim.takeFailure(), failure); // taken: it fails no test
        QVERIFY(!sim.stop());
    }

    // A sanitizer ends the simulator with a non-zero status after its report on standard error,
    // as a refused option does here.
    void aNonZeroStatusIsAFailureWithItsErrorOutput()
    {
        SimulatorProcess sim({u"--baud"_s, u"fast"_s});
        QVERIFY(!sim.start());
        QTRY_VERIFY_WITH_TIMEOUT(!sim.isRunning(), 5000);
        QVERIFY2(sim.errorOutput().contains(u"baud"_s), qPrintable(sim.errorOutput()));
        QCOMPARE(sim.takeFailure(), u"ended with status 2"_s);
    }
};

QTEST_GUILESS_MAIN(tst_SimulatorProcess)
#include "tst_simulatorprocess.moc"
