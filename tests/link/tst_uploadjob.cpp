#include "link/comport.h"
#include "link/uploadjob.h"
#include "support/quietwatch.h"
#include "support/simulatorprocess.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList hexLines{u":020000040000FA"_s, u":0400000000308A0040"_s, u":00000001FF"_s};

} // namespace

// Upload jobs against the simulated boot loader: the bytes it holds are exactly the bytes the
// job was asked to send, and the job ends cleanly however the station behaves.
class tst_UploadJob : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<TComPort> port;

    void startStation(QStringList options)
    {
        sim = std::make_unique<SimulatorProcess>(options << u"--bootloader"_s);
        QVERIFY(sim->start());
        port = std::make_unique<TComPort>();
        port->setPort(sim->ptyPath());
        port->setReadTotalMultiplier(100);
        port->setReadTotalConstant(100);
        port->open();
    }

    UploadJob::Outcome run(UploadJob &job, int timeoutMs = 10000)
    {
        QSignalSpy finished(&job, &UploadJob::finished);
        job.start();
        if (!finished.wait(timeoutMs))
            return UploadJob::Outcome::Failed;
        return finished.first().first().value<UploadJob::Outcome>();
    }

private Q_SLOTS:
    void cleanup()
    {
        port.reset();
        sim.reset();
    }

    void modesPutExactlyTheirBytesOnTheLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("mode"); // 0 characters, 1 characters with echo, 2 whole, 3 lines
        QTest::addColumn<QByteArray>("received");
        const QString text = hexLines.join(u"\r\n"_s);
        const QByteArray joined = text.toLatin1();
        QTest::newRow("characters") << QStringList{} << 0 << joined;
        QTest::newRow("characters-echoed") << QStringList{u"--special-read"_s} << 1 << joined;
        QTest::newRow("whole-text") << QStringList{} << 2 << joined;
        QTest::newRow("xon-lines") << QStringList{} << 3 << hexLines.join(QString()).toLatin1();
        QTest::newRow("xon-lines-stray-before-xon")
            << QStringList{u"--stray"_s, u"2"_s} << 3 << hexLines.join(QString()).toLatin1();
    }

    void modesPutExactlyTheirBytesOnTheLine()
    {
        QFETCH(QStringList, options);
        QFETCH(int, mode);
        QFETCH(QByteArray, received);
        startStation(options);
        const QString text = hexLines.join(u"\r\n"_s);
        QList<UploadJob::Unit> units;
        if (mode == 0)
            units = UploadJob::characters(text);
        else if (mode == 1)
            units = UploadJob::characters(text, UploadJob::Wait::OneRead);
        else if (mode == 2)
            units = UploadJob::wholeText(text);
        else
            units = UploadJob::xonPacedLines(hexLines);
        UploadJob job(*port, units);
        QSignalSpy done(&job, &UploadJob::unitDone);
        QCOMPARE(run(job), UploadJob::Outcome::Finished);
        QCOMPARE(done.size(), units.size());
        // The last bytes are out of the port, not yet necessarily read by the station.
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), received, 3000);
    }

    void anEmptyTextSendsNothing()
    {
        startStation({});
        UploadJob job(*port, UploadJob::xonPacedLines({}));
        QCOMPARE(run(job), UploadJob::Outcome::Finished);
        QCOMPARE(sim->fetchCapture(), QByteArray());
    }

    void cancelEndsAWaitOnASilentStationAtOnce()
    {
        startStation({u"--silent"_s});
        UploadJob job(*port, UploadJob::xonPacedLines(hexLines));
        QSignalSpy written(&job, &UploadJob::unitWritten);
        QSignalSpy finished(&job, &UploadJob::finished);
        job.start();
        QVERIFY(written.wait(2000));
        QVERIFY(QuietWatch::readTimeOutsPass(*port, 3));
        QVERIFY(job.isRunning());
        job.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<UploadJob::Outcome>(),
                 UploadJob::Outcome::Cancelled);
        QCOMPARE(sim->fetchCapture(), hexLines.first().toLatin1());
    }

    void anEmptyLineSendsNothingButStillWaits()
    {
        startStation({});
        UploadJob job(*port, UploadJob::xonPacedLines({u":00000001FF"_s, QString(), u"x"_s}));
        QSignalSpy done(&job, &UploadJob::unitDone);
        job.start();
        QVERIFY(done.wait(2000));
        // The station never answers a line it did not get.
        QVERIFY(QuietWatch::readTimeOutsPass(*port, 3));
        QCOMPARE(done.size(), 1);
        QVERIFY(job.isRunning());
        job.cancel();
        QCOMPARE(sim->fetchCapture(), QByteArray(":00000001FF"));
    }

    void theLastLineIsReadOnceWhateverComes()
    {
        startStation({u"--silent"_s});
        UploadJob job(*port, UploadJob::xonPacedLines({u":00000001FF"_s}));
        QCOMPARE(run(job), UploadJob::Outcome::Finished);
    }

    void aHangUpEndsTheJobAsFailed()
    {
        startStation({u"--hangup-after"_s, u"20"_s, u"--special-read"_s});
        UploadJob job(*port,
                      UploadJob::characters(hexLines.join(u"\r\n"_s), UploadJob::Wait::OneRead));
        QCOMPARE(run(job), UploadJob::Outcome::Failed);
        QTRY_VERIFY_WITH_TIMEOUT(!port->connected(), 3000);
    }
};

QTEST_GUILESS_MAIN(tst_UploadJob)
#include "tst_uploadjob.moc"
