#include "cliprocess.h"
#include "link/memoryimage.h"
#include "loco/locostatus.h"
#include "support/hextext.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "turnouts/turnouttable.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray firmwareBytes(const QString &name)
{
    QFile file(QStringLiteral(KORVANT_FIRMWARE_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString firmware(const QString &name)
{
    return QStringLiteral(KORVANT_FIRMWARE_DIR "/") + name;
}

// A running korvant-cli that talks to a port the test holds.
class RunningCli final
{
public:
    explicit RunningCli(const QStringList &arguments)
    {
        m_process.start(CliProcess::executable(), arguments);
    }
    ~RunningCli()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Q_DISABLE_COPY_MOVE(RunningCli)

    // The monitor says on standard error when it listens; bytes sent before would be discarded.
    bool waitUntilListening()
    {
        QDeadlineTimer deadline(10000);
        while (!m_err.contains("Monitoring")) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(50);
            m_err += m_process.readAllStandardError();
        }
        return true;
    }
    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    CliResult finish(int timeoutMs = 10000)
    {
        CliResult result = CliProcess::finish(m_process, timeoutMs);
        result.err.prepend(m_err);
        return result;
    }

private:
    QProcess m_process;
    QByteArray m_err;
};

} // namespace

// The tool against a station on a serial line: the simulator for uploads, instructions and
// status packets, a bare pseudo-terminal where the test writes the station's side itself.
class tst_CliStation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    QTemporaryDir files;

    void startStation(const QStringList &options)
    {
        sim = std::make_unique<SimulatorProcess>(options);
        QVERIFY(sim->start());
    }

    QProcessEnvironment stationEnvironment() const
    {
        return CliProcess::environmentWith(u"XDG_RUNTIME_DIR"_s, sim->runtimeDir());
    }

private Q_SLOTS:
    void cleanup() { sim.reset(); }

    void portsListsTheSimulator()
    {
        startStation({u"--name"_s, u"SIM7"_s});
        const CliResult result = CliProcess::run({u"ports"_s}, {}, stationEnvironment());
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.outLines().contains(u"SIM7"_s), result.out.constData());
        QVERIFY(result.err.isEmpty());
    }

    void flashPutsExactlyTheFileOnTheWire_data()
    {
        QTest::addColumn<QStringList>("stationOptions");
        QTest::addColumn<QStringList>("flashOptions");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<QStringList>("summary");
        const QString blink = u"Korvant_Blink_301a.hex"_s;
        const QString echo = u"Korvant_UartEcho_301b.hex"_s;
        const QString large = u"Korvant_PatternTable_301e.hex"_s;
        const QString start = u"Start: \\d+\\.\\d+ BaudRate:57600"_s;
        const QString end = u"End:\\d\\d\\.\\d\\d\\.\\d\\d\\d BaudRate:57600"_s;
        QTest::newRow("direct-by-default")
            << QStringList{} << QStringList{} << large << true << QStringList{start, end};
        QTest::newRow("direct-comm")
            << QStringList{u"--stray"_s, u"2"_s} << QStringList{u"--mode"_s, u"direct-comm"_s}
            << large << true
            << QStringList{u"Start: 0\\.0"_s,
                           u"End:\\d\\d\\.\\d\\d\\.\\d\\d\\d Seconds - BaudRate:57600"_s};
        QTest::newRow("standard-characters")
            << QStringList{} << QStringList{u"--mode"_s, u"standard"_s} << echo << false
            << QStringList{start, end};
        QTest::newRow("standard-special-read")
            << QStringList{u"--special-read"_s}
            << QStringList{u"--mode"_s, u"standard"_s, u"--special-read"_s} << blink << false
            << QStringList{start, end};
        QTest::newRow("standard-whole")
            << QStringList{} << QStringList{u"--mode"_s, u"standard"_s, u"--whole"_s} << large
            << false << QStringList{start, end};
        QTest::newRow("direct-at-115200")
            << QStringList{} << QStringList{u"--baud"_s, u"115200"_s} << blink << true
            << QStringList{u"Start: \\d+\\.\\d+ BaudRate:115200"_s,
                           u"End:\\d\\d\\.\\d\\d\\.\\d\\d\\d BaudRate:115200"_s};
    }

    void flashPutsExactlyTheFileOnTheWire()
    {
        QFETCH(QStringList, stationOptions);
        QFETCH(QStringList, flashOptions);
        QFETCH(QString, file);
        QFETCH(bool, direct);
        QFETCH(QStringList, summary);
        startStation(stationOptions << u"--bootloader"_s);
        const CliResult result =
            CliProcess::run(QStringList{u"flash"_s, u"--port"_s, sim->ptyPath()} + flashOptions +
                            QStringList{firmware(file)});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errText()));
        QVERIFY(result.err.isEmpty()); // no progress bar: standard error is not a terminal
        const QStringList lines = result.outLines();
        QCOMPARE(lines.size(), summary.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QRegularExpression form(QRegularExpression::anchoredPattern(summary.at(i)));
            QVERIFY2(form.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
        }
        const QByteArray bytes = firmwareBytes(file);
        QVERIFY(bytes.endsWith("\r\n"));
        const QByteArray expected = direct ? withoutTerminators(bytes) : bytes;
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture().size(), expected.size(), 10000);
        QCOMPARE(sim->fetchCapture(), expected);
    }

    void flashReadsTheFileAsThePageDoes_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray lf = QByteArray(SmallHex).replace("\r\n", "\n");
        QTest::newRow("lf-line-ends") << lf;
        QTest::newRow("utf8-mark-cr-line-ends")
            << QByteArray("\xEF\xBB\xBF") + QByteArray(lf).replace('\n', '\r');
        QByteArray utf16("\xFF\xFE");
        for (const char c : lf)
            utf16 += QByteArray(1, c) + '\0';
        QTest::newRow("utf16-mark") << utf16;
    }

    void flashReadsTheFileAsThePageDoes()
    {
        QFETCH(QByteArray, file);
        startStation({u"--bootloader"_s});
        const QString path = files.filePath(u"encoded.hex"_s);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        const CliResult result = CliProcess::run(
            {u"flash"_s, u"--port"_s, sim->ptyPath(), u"--mode"_s, u"standard"_s, path});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errText()));
        QVERIFY(result.err.isEmpty()); // the text is a valid Intel HEX file once read
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), SmallHex, 5000);
    }

    void flashFindsTheSimulatorByItsName()
    {
        startStation({u"--bootloader"_s});
        const QString file = u"Korvant_Blink_301a.hex"_s;
        const CliResult result = CliProcess::run({u"flash"_s, u"--port=SIM1"_s, firmware(file)}, {},
                                                 stationEnvironment());
        QVERIFY2(result.exitCode == 0, qPrintable(result.errText()));
        QCOMPARE(sim->fetchCapture(), withoutTerminators(firmwareBytes(file)));
    }

    void flashWarnsOfABrokenFileAndSendsItAsItStands()
    {
        startStation({u"--bootloader"_s});
        const QByteArray hex = ":020000040000FA\r\n:0400000000308A0043\r\n:00000001FF\r\n";
        const QString path = files.filePath(u"broken.hex"_s);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(hex) == hex.size());
        out.close();
        const CliResult result = CliProcess::run({u"flash"_s, u"--port"_s, sim->ptyPath(), path});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.errText().startsWith(u"korvant-cli: warning: "_s),
                 qPrintable(result.errText()));
        QVERIFY(result.errText().contains(u"Line 2"_s));
        QCOMPARE(sim->fetchCapture(), withoutTerminators(hex));
    }

    void aSilentBootLoaderEndsTheRunAfterTheXonTimeout()
    {
        startStation({u"--bootloader"_s, u"--silent"_s});
        const QString file = u"Korvant_Blink_301a.hex"_s;
        const CliResult result = CliProcess::run(
            {u"flash"_s, u"--port"_s, sim->ptyPath(), u"--xon-timeout"_s, u"1"_s, firmware(file)},
            {}, QProcessEnvironment::systemEnvironment(), 15000);
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 1);
        const QByteArray firstLine = firmwareBytes(file).split('\r').constFirst();
        QCOMPARE(result.errText(),
                 u"korvant-cli: the boot loader sent no XON for 1 s; the upload stopped at line "
                 "1 (%1)"_s.arg(QString::fromLatin1(firstLine)));
        QVERIFY(result.out.isEmpty());
        QCOMPARE(sim->fetchCapture(), firstLine);
    }

    void aSignalEndsAnUploadThatWaits()
    {
        startStation({u"--bootloader"_s, u"--silent"_s});
        RunningCli cli({u"flash"_s, u"--port"_s, sim->ptyPath(), u"--xon-timeout"_s, u"600"_s,
                        firmware(u"Korvant_Blink_301a.hex"_s)});
        QTRY_VERIFY_WITH_TIMEOUT(!sim->fetchCapture().isEmpty(), 10000);
        QVERIFY(cli.isRunning());
        cli.signal(SIGTERM);
        const CliResult result = cli.finish();
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errText().startsWith(u"korvant-cli: interrupted; the upload stopped at "
                                             "line 1 "_s),
                 qPrintable(result.errText()));
    }

    void aMissingPortFailsReadably_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("port");
        const QString hex = firmware(u"Korvant_Blink_301a.hex"_s);
        QTest::newRow("flash-device-path")
            << QStringList{u"flash"_s, u"--port"_s, u"/dev/korvant-missing"_s, hex}
            << u"/dev/korvant-missing"_s;
        QTest::newRow("send-port-name")
            << QStringList{u"send"_s, u"--port"_s, u"NOSUCHPORT"_s, u":E000"_s} << u"NOSUCHPORT"_s;
        QTest::newRow("monitor-simulator-name-not-running")
            << QStringList{u"monitor"_s, u"--port"_s, u"SIM9"_s} << u"SIM9"_s;
    }

    void aMissingPortFailsReadably()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, port);
        QTemporaryDir runtime;
        const CliResult result = CliProcess::run(
            arguments, {}, CliProcess::environmentWith(u"XDG_RUNTIME_DIR"_s, runtime.path()));
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(
            result.errText(),
            u"korvant-cli: cannot open port %1: Unable to open com port (Error: 2)"_s.arg(port));
        QVERIFY(result.out.isEmpty());
    }

    void sendPutsExactlyTheInstructionOnTheWire_data()
    {
        QTest::addColumn<QString>("instruction");
        QTest::newRow("function") << u":F100"_s;
        QTest::newRow("speed-lower-case-digits") << u":S20a"_s;
        QTest::newRow("emergency-stop") << u":E000"_s;
        QTest::newRow("cv-page-opened") << u":X100"_s;
    }

    void sendPutsExactlyTheInstructionOnTheWire()
    {
        QFETCH(QString, instruction);
        startStation({});
        const CliResult result = CliProcess::run({u"send"_s, u"--port"_s, u"SIM1"_s, instruction},
                                                 {}, stationEnvironment());
        QVERIFY2(result.exitCode == 0, qPrintable(result.errText()));
        QVERIFY(result.out.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), instruction.toLatin1(), 5000);
    }

    void monitorPrintsTheStationsStatusPackets()
    {
        startStation({u"--addresses"_s, u"3,4,5,6"_s, u"--speed-steps"_s, u"31,31,128,14"_s});
        RunningCli cli({u"monitor"_s, u"--port"_s, sim->ptyPath(), u"--count"_s, u"2"_s});
        QVERIFY(cli.waitUntilListening());
        for (int i = 0; i < 3; ++i)
            QVERIFY(sim->command(u"status"_s, u"status sent"_s));
        const CliResult result = cli.finish();
        QCOMPARE(result.exitCode, 0);
        const QStringList lines = result.outLines();
        QCOMPARE(lines.size(), 2);
        const QString decoded =
            u"loco 1: address 3, speed 0 of 31, right, headlight off, functions none; "
            "loco 2: address 4, speed 0 of 31, right, headlight off, functions none; "
            "loco 3: address 5, speed 0 of 128, right, headlight off, functions none; "
            "loco 4: address 6, speed 0 of 14, right, headlight off, functions none"_s;
        for (const QString &line : lines) {
            QCOMPARE(line.section(u'\t', 1), decoded);
            QCOMPARE(line.section(u'\t', 0, 0).size(), LocoStatus::PacketLength);
        }
    }

    void monitorPrintsTheTurnoutTableLineByLine()
    {
        TurnoutTable::Rows rows;
        rows[0] = u"05/07|"_s;
        const QString image = TurnoutTable::memoryImageText(TurnoutTable::digitsFromRows(rows));
        const QString path = files.filePath(u"table.txt"_s);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(image.toLatin1());
        out.close();
        startStation({u"--turnouts"_s, path});
        RunningCli cli({u"monitor"_s, u"--port"_s, sim->ptyPath(), u"--page"_s, u"turnout"_s,
                        u"--count"_s, u"16"_s});
        QVERIFY(cli.waitUntilListening());
        QVERIFY(sim->command(u"turnouts"_s, u"turnouts sent"_s));
        const CliResult result = cli.finish();
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outLines(), MemoryImage::lines(image));
    }

    void monitorDecodesWhatThePageDecodes_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("lines");
        LocoStatus status;
        status.addresses = {3, 4, 5, 6};
        status.speeds = {17, 0, 0, 99};
        status.speedSteps = 0x01 | 0x80; // loco 1: 31, loco 4: 128
        status.directions = 0x01;
        status.lamps = {0x11, 0, 0x0A, 0};
        const QString packet = encodeLocoStatus(status);
        QTest::newRow("link-status")
            << u"link"_s << (u"$"_s + packet + u"%"_s).toLatin1() << 1
            << QStringList{packet + u"\tloco 1: address 3, speed 17 of 31, left, headlight on, "
                                    "functions 1; loco 2: address 4, speed 0 of 14, right, "
                                    "headlight off, functions none; loco 3: address 5, speed 0 "
                                    "of 14, right, headlight off, functions 2 4; loco 4: address "
                                    "6, speed 99 of 128, right, headlight off, functions none"_s};
        QTest::newRow("link-wrong-length") << u"link"_s << QByteArray("$0102%") << 1
                                           << QStringList{u"0102\tignored: not 28 characters"_s};
        const QString malformed = u"0G040506"_s + QString(20, u'0');
        QTest::newRow("link-malformed")
            << u"link"_s << (u"$"_s + malformed + u"%"_s).toLatin1() << 1
            << QStringList{malformed + u"\tmalformed: '$0G' is not a valid integer value"_s};
        QTest::newRow("cv-reports-with-noise")
            << u"cv"_s << QByteArray("xx$C1D=03\r\n%yy$C01=FF\r\n%") << 2
            << QStringList{u"C1D=03\tCV 29 = 3"_s, u"C01=FF\tCV 1 = 255"_s};
        QTest::newRow("cv-six-short-reports-in-one-chunk")
            << u"cv"_s << QByteArray("$C01=03%$C02=0C%$C03=18%$C04=1F%$C05=26%$C1D=06%") << 6
            << QStringList{u"C01=03\tCV 1 = 3"_s,  u"C02=0C\tCV 2 = 12"_s, u"C03=18\tCV 3 = 24"_s,
                           u"C04=1F\tCV 4 = 31"_s, u"C05=26\tCV 5 = 38"_s, u"C1D=06\tCV 29 = 6"_s};
        QTest::newRow("cv-report-naming-no-cv")
            << u"cv"_s << QByteArray("$C00=03\r\n%") << 1
            << QStringList{u"C00=03\tnames no CV: incompatible data"_s};
        QTest::newRow("count-stops-inside-a-chunk")
            << u"cv"_s << QByteArray("$C01=01\r\n%$C02=02\r\n%$C03=03\r\n%") << 2
            << QStringList{u"C01=01\tCV 1 = 1"_s, u"C02=02\tCV 2 = 2"_s};
        QTest::newRow("control-characters-shown")
            << u"turnout"_s << QByteArray("$:00\x01,11\r\n%") << 1 << QStringList{u":00\\x01,11"_s};
        // Found by fuzz_monitorpackets: the failure's text quotes the field, escape and all.
        const QByteArray escape = "\x1B" + QByteArray(27, '0');
        QTest::newRow("control-characters-in-a-malformed-field-shown")
            << u"link"_s << "$" + escape + "%" << 1
            << QStringList{u"\\x1B"_s + QString(27, u'0') +
                           u"\tmalformed: '$\\x1B0' is not a valid integer value"_s};
    }

    void monitorDecodesWhatThePageDecodes()
    {
        QFETCH(QString, page);
        QFETCH(QByteArray, wire);
        QFETCH(int, count);
        QFETCH(QStringList, lines);
        PtyPair pty;
        QVERIFY(pty.isValid());
        RunningCli cli({u"monitor"_s, u"--port"_s, pty.slavePath(), u"--page"_s, page, u"--count"_s,
                        QString::number(count)});
        QVERIFY(cli.waitUntilListening());
        QVERIFY(pty.write(wire));
        const CliResult result = cli.finish();
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outLines(), lines);
        QVERIFY(pty.drain(50).isEmpty()); // the monitor only listens
    }

    void aSignalEndsTheMonitorCleanly_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("interrupt") << int(SIGINT);
        QTest::newRow("terminate") << int(SIGTERM);
    }

    void aSignalEndsTheMonitorCleanly()
    {
        QFETCH(int, signalNumber);
        PtyPair pty;
        RunningCli cli({u"monitor"_s, u"--port"_s, pty.slavePath(), u"--page"_s, u"cv"_s});
        QVERIFY(cli.waitUntilListening());
        QVERIFY(pty.write("$C1D=03\r\n%"));
        cli.signal(signalNumber);
        const CliResult result = cli.finish();
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 0);
    }

    void aVanishingPortEndsTheMonitorWithAFailure()
    {
        PtyPair pty;
        RunningCli cli({u"monitor"_s, u"--port"_s, pty.slavePath()});
        QVERIFY(cli.waitUntilListening());
        pty.hangUp();
        const CliResult result = cli.finish();
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 1);
        // The line before it is the monitor's own "Monitoring ...".
        QCOMPARE(result.errText().section(u'\n', -1),
                 u"korvant-cli: The connection to %1 was lost: the converter was unplugged or "
                 "stopped answering. The port has been closed."_s.arg(pty.slavePath()));
    }
};

QTEST_GUILESS_MAIN(tst_CliStation)
#include "tst_clistation.moc"
