#include "cliprocess.h"
#include "link/portdoctor.h"
#include "platform/currentuser.h"
#include "support/systemtree.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QFileDevice::Permissions Everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                              QFileDevice::ReadOther | QFileDevice::WriteOther;

} // namespace

// korvant-cli doctor on fixture trees that stand for the system: what it prints and its exit
// status. The checks themselves are tested in tst_portdoctor; the node is open to everyone
// here, so the case runs the same for whoever runs it.
class tst_CliDoctor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void doctor_data()
    {
        QTest::addColumn<bool>("node");
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<QByteArray>("holder"); // a program that has ttyUSB0 open
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines"); // below the heading and the access line
        QTest::addColumn<QString>("error");

        QTest::newRow("nothing-blocks")
            << true << 1 << QByteArray() << 0
            << QStringList{u"  ok      brltty is not installed"_s,
                           u"  ok      ModemManager is not running"_s,
                           u"  ok      no other program has /dev/ttyUSB0 open"_s,
                           u"  ok      the converter's latency timer is 1 ms"_s,
                           u"Nothing blocks ttyUSB0."_s}
            << QString();
        QTest::newRow("advice-does-not-fail")
            << true << 16 << QByteArray() << 0
            << QStringList{u"  ok      brltty is not installed"_s,
                           u"  ok      ModemManager is not running"_s,
                           u"  ok      no other program has /dev/ttyUSB0 open"_s,
                           u"  advice  the converter's latency timer is 16 ms: it holds received "
                           "bytes that"_s,
                           u"          long unless a program asks for low latency, as this one "
                           "does while"_s,
                           u"          connected"_s,
                           u"          fix: echo 1 | sudo tee "
                           "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"_s,
                           u"Nothing blocks ttyUSB0."_s}
            << QString();
        // The holder is the user's own program: root's, too, when root runs the test.
        QTest::newRow("held-by-a-program")
            << true << 1 << QByteArray("minicom") << 1
            << QStringList{u"  ok      brltty is not installed"_s,
                           u"  ok      ModemManager is not running"_s,
                           u"  blocks  ttyUSB0 is in use by minicom (pid 812)"_s,
                           u"          fix: kill 812"_s,
                           u"  ok      the converter's latency timer is 1 ms"_s,
                           u"1 finding blocks ttyUSB0."_s}
            << u"korvant-cli: what is marked \"blocks\" keeps ttyUSB0 from opening"_s;
        QTest::newRow("node-missing")
            << false << -1 << QByteArray() << 1
            << QStringList{u"          has another name"_s, u"          fix: korvant-cli ports"_s,
                           u"  ok      brltty is not installed"_s, u"1 finding blocks ttyUSB0."_s}
            << u"korvant-cli: what is marked \"blocks\" keeps ttyUSB0 from opening"_s;
    }

    void doctor()
    {
        QFETCH(bool, node);
        QFETCH(int, latencyMs);
        QFETCH(QByteArray, holder);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        SystemTree tree;
        QVERIFY(tree.isValid());
        if (node)
            QVERIFY(tree.addDevice(u"ttyUSB0"_s, Everyone));
        QVERIFY(tree.addUsbConverter("0403", "6001", node ? u"ttyUSB0"_s : QString(), latencyMs));
        if (!holder.isEmpty())
            QVERIFY(tree.addProcess(812, holder, {u"/dev/ttyUSB0"_s}));

        const CliResult result =
            CliProcess::run({u"doctor"_s, u"--port"_s, u"ttyUSB0"_s}, {},
                            CliProcess::environmentWith(PortDoctor::RootVariable, tree.root()));
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(result.errText(), error);
        const QStringList out = result.outLines();
        QCOMPARE(out.value(0),
                 node ? u"ttyUSB0 (/dev/ttyUSB0, USB 0403:6001)"_s : u"ttyUSB0 (/dev/ttyUSB0)"_s);
        QCOMPARE(out.value(1), node ? u"  ok      /dev/ttyUSB0 is there"_s
                                    : u"  blocks  /dev/ttyUSB0 does not exist: the converter is "
                                      "unplugged, or the port"_s);
        if (node) {
            QCOMPARE(out.value(2),
                     u"  ok      %1 may read and write /dev/ttyUSB0"_s.arg(currentUser().name));
        }
        QCOMPARE(out.mid(node ? 3 : 2), lines);
    }

    // Without --port the doctor checks every port the port list shows, a simulator's too.
    void withoutAPortEveryListedPortIsChecked()
    {
        QTemporaryDir run;
        const QString device = TestFiles::writeIn(run.path(), u"pty"_s, {});
        QVERIFY(QFile::setPermissions(device, Everyone));
        QVERIFY(QDir().mkpath(run.filePath(u"korvant/ports"_s)));
        QVERIFY(QFile::link(device, run.filePath(u"korvant/ports/SIMD"_s)));
        QProcessEnvironment environment =
            CliProcess::environmentWith(u"XDG_RUNTIME_DIR"_s, run.path());
        environment.remove(PortDoctor::RootVariable);
        const CliResult result = CliProcess::run({u"doctor"_s}, {}, environment);
        QVERIFY(result.finished);
        const QStringList out = result.outLines();
        const qsizetype heading = out.indexOf(u"SIMD (%1)"_s.arg(device));
        QVERIFY2(heading >= 0, result.out.constData());
        QCOMPARE(
            out.mid(heading + 1, 4),
            (QStringList{u"  ok      %1 is there"_s.arg(device),
                         u"  ok      %1 may read and write %2"_s.arg(currentUser().name, device),
                         u"  ok      no other program has %1 open"_s.arg(device),
                         u"Nothing blocks SIMD."_s}));
    }

    void helpNamesTheCommandAndItsPort()
    {
        const CliResult list = CliProcess::run({u"--help"_s});
        QVERIFY(list.outLines().contains(
            u"  doctor      Finds what stops a port from opening, and the fix."_s));
        const CliResult help = CliProcess::run({u"doctor"_s, u"--help"_s});
        QCOMPARE(help.exitCode, 0);
        const QString text = QString::fromUtf8(help.out);
        QVERIFY(text.startsWith(u"Usage: korvant-cli doctor [options]"_s));
        QVERIFY(text.contains(u"--port <PORT>"_s));
        QVERIFY(text.contains(u"Without --port every port"_s));
    }
};

QTEST_GUILESS_MAIN(tst_CliDoctor)
#include "tst_clidoctor.moc"
