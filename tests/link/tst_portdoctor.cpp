#include "link/portdoctor.h"
#include "platform/currentuser.h"
#include "support/systemtree.h"
#include "support/testfiles.h"

#include <QTest>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using PortDoctor::Check;
using PortDoctor::Severity;

namespace {

constexpr QFileDevice::Permissions OwnerAndGroup = QFileDevice::ReadOwner |
                                                   QFileDevice::WriteOwner |
                                                   QFileDevice::ReadGroup | QFileDevice::WriteGroup;

const QString PackagedRule =
    QStringLiteral(KORVANT_SOURCE_DIR "/packaging/70-korvant-converters.rules");

// As brltty's package words its rules: a braille display for each vendor and product, in
// both of the forms it uses.
const QByteArray BrlttyRules =
    "# Device: 10C4:EA60\n"
    "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"ea60\", "
    "ENV{BRLTTY_BRAILLE_DRIVER}=\"sk\", GOTO=\"brltty_usb_run\"\n"
    "# Device: 1A86:7523\n"
    "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", "
    "GOTO=\"brltty_usb_run\"\n";

// One system as a case sets it up. By default all is well: ttyUSB0 is an FT232R open to the
// group dialout, which alice's login has; the package's rule is installed and ModemManager
// runs beside brltty.
struct Setup
{
    bool node = true;
    QFileDevice::Permissions mode = OwnerAndGroup;
    bool loginHasGroup = true;
    bool groupListsUser = false;
    bool asRoot = false;
    QByteArray usb = "0403:6001"; // empty: a port that is no USB converter's
    int latencyMs = 1;
    QString packagedRule = u"/usr/lib/udev/rules.d/70-korvant-converters.rules"_s; // empty: none
    bool modemManager = true;
    bool brlttyMasked = false; // a link to /dev/null in /etc switches brltty's rule off
    QByteArray holder = {};    // a program that has ttyUSB0 open
    bool ownsTheTree = false;  // the user owns the processes
    bool ownsTheNode = false;
};

// A finding as the cases expect it: "blocks: text | fix".
QString shown(const PortDoctor::Finding &finding)
{
    static const QString words[] = {u"ok"_s, u"advice"_s, u"blocks"_s};
    QString text = words[int(finding.severity)] + u": "_s + finding.text;
    return finding.fix.isEmpty() ? text : text + u" | "_s + finding.fix;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

// The port doctor on small trees that stand for the system: one case for each finding.
class tst_PortDoctor : public QObject
{
    Q_OBJECT

private:
    // Builds the tree a case describes and gives the user it checks as.
    static UserIdentity build(SystemTree &tree, const Setup &setup)
    {
        const quint32 dialout = tree.groupId();
        UserIdentity user{u"alice"_s, tree.ownerId() + 1, {dialout + 1}};
        if (setup.loginHasGroup)
            user.groupIds.append(dialout);
        if (setup.asRoot)
            user = {u"root"_s, 0, {0}};
        if (setup.ownsTheTree)
            user.uid = tree.ownerId();
        bool done = tree.setGroups("root:x:0:\ndialout:x:" + QByteArray::number(dialout) + ":" +
                                   (setup.groupListsUser ? "bob,alice" : "bob") + "\n");
        if (setup.node)
            done = done && tree.addDevice(u"ttyUSB0"_s, setup.mode);
        if (setup.ownsTheNode) {
            // Root would pass any bits: the node goes to an ordinary user, who is alice then.
            const QString node = tree.path(u"/dev/ttyUSB0"_s);
            if (tree.ownerId() == 0)
                done = done && ::chown(qPrintable(node), 4242, tree.groupId()) == 0;
            user.uid = QFileInfo(node).ownerId();
        }
        if (!setup.usb.isEmpty()) {
            const QList<QByteArray> id = setup.usb.split(':');
            done = done &&
                   tree.addUsbConverter(id.value(0), id.value(1),
                                        setup.node ? u"ttyUSB0"_s : QString(), setup.latencyMs);
        }
        if (!setup.packagedRule.isEmpty())
            done = done && tree.addFile(setup.packagedRule, TestFiles::read(PackagedRule));
        done = done && tree.addFile(u"/lib/udev/rules.d/85-brltty.rules"_s, BrlttyRules);
        if (setup.brlttyMasked)
            done = done && tree.link(u"/dev/null"_s, u"/etc/udev/rules.d/85-brltty.rules"_s);
        done = done && tree.addProcess(900, "bash", {u"/dev/pts/1"_s});
        if (setup.modemManager)
            done = done && tree.addProcess(700, "ModemManager");
        if (!setup.holder.isEmpty())
            done = done && tree.addProcess(812, setup.holder, {u"/dev/ttyUSB0"_s});
        if (!done)
            qWarning() << "the tree is not complete";
        return user;
    }

private Q_SLOTS:
    void findings_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("expected"); // every finding that is not ok

        QTest::newRow("healthy") << Setup{} << QStringList{};
        QTest::newRow("root-opens-any-node")
            << Setup{.mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner, .asRoot = true}
            << QStringList{};
        QTest::newRow("node-missing")
            << Setup{.node = false}
            << QStringList{u"blocks: /dev/ttyUSB0 does not exist: the converter is unplugged, or "
                           "the port has another name | korvant-cli ports"_s};
        QTest::newRow("not-in-dialout")
            << Setup{.loginHasGroup = false, .packagedRule = {}, .modemManager = false}
            << QStringList{u"blocks: alice may not read and write /dev/ttyUSB0 (rw-rw----): it "
                           "is open to the group dialout, and alice is not in it | sudo adduser "
                           "alice dialout"_s};
        QTest::newRow("joined-after-logging-in")
            << Setup{.loginHasGroup = false,
                     .groupListsUser = true,
                     .packagedRule = {},
                     .modemManager = false}
            << QStringList{u"blocks: alice may not read and write /dev/ttyUSB0 (rw-rw----): "
                           "alice joined dialout after logging in; log out and in again, or "
                           "start a shell that has the group | newgrp dialout"_s};
        QTest::newRow("open-to-no-group")
            << Setup{.mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                     .packagedRule = {},
                     .modemManager = false}
            << QStringList{u"blocks: alice may not read and write /dev/ttyUSB0 (rw-------): no "
                           "group may, either | sudo setfacl -m u:alice:rw /dev/ttyUSB0"_s};
        QTest::newRow("owner-may-not")
            << Setup{.mode =
                         QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup,
                     .ownsTheNode = true}
            << QStringList{u"blocks: alice may not read and write /dev/ttyUSB0 (r--rw----): "
                           "alice owns it, and its owner may not | sudo chmod u+rw "
                           "/dev/ttyUSB0"_s};
        // The seat gives the user an ACL that the permission bits do not show.
        QTest::newRow("uaccess-rule-for-the-seated-user")
            << Setup{.loginHasGroup = false}
            << QStringList{u"advice: alice may not read and write /dev/ttyUSB0 (rw-rw----); the "
                           "udev rule 70-korvant-converters.rules gives it to the user seated "
                           "at this computer, not to a remote login | sudo adduser alice "
                           "dialout"_s};
        QTest::newRow("uaccess-rule-after-the-seat-rules")
            << Setup{.loginHasGroup = false,
                     .packagedRule = u"/etc/udev/rules.d/99-korvant-converters.rules"_s,
                     .modemManager = false}
            << QStringList{u"blocks: alice may not read and write /dev/ttyUSB0 (rw-rw----): it "
                           "is open to the group dialout, and alice is not in it | sudo adduser "
                           "alice dialout"_s};
        QTest::newRow("brltty-claims-the-cp210x")
            << Setup{.usb = "10c4:ea60"}
            << QStringList{u"blocks: brltty's udev rule 85-brltty.rules claims 10c4:ea60 for a "
                           "braille display and takes the converter from its serial driver | "
                           "sudo apt remove brltty"_s};
        QTest::newRow("brltty-took-the-ch340")
            << Setup{.node = false, .usb = "1a86:7523"}
            << QStringList{u"blocks: /dev/ttyUSB0 does not exist: the converter is unplugged, or "
                           "the port has another name | korvant-cli ports"_s,
                           u"blocks: brltty's udev rule 85-brltty.rules claims 1a86:7523 for a "
                           "braille display and takes the converter from its serial driver | "
                           "sudo apt remove brltty"_s};
        QTest::newRow("brltty-rule-switched-off")
            << Setup{.usb = "1a86:7523", .brlttyMasked = true} << QStringList{};
        QTest::newRow("modemmanager-probes")
            << Setup{.packagedRule = {}}
            << QStringList{u"blocks: ModemManager runs and no udev rule keeps it off 0403:6001: "
                           "its modem probes upset the station's boot loader | sudo systemctl "
                           "stop ModemManager"_s};
        QTest::newRow("held-by-another-users-program")
            << Setup{.holder = "minicom"}
            << QStringList{u"blocks: ttyUSB0 is in use by minicom (pid 812) | sudo kill 812"_s};
        QTest::newRow("held-by-the-users-own-program")
            << Setup{.holder = "minicom", .ownsTheTree = true}
            << QStringList{u"blocks: ttyUSB0 is in use by minicom (pid 812) | kill 812"_s};
        QTest::newRow("latency-timer-16ms")
            << Setup{.latencyMs = 16}
            << QStringList{u"advice: the converter's latency timer is 16 ms: it holds received "
                           "bytes that long unless a program asks for low latency, as this one "
                           "does while connected | echo 1 | sudo tee "
                           "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"_s};
    }

    void findings()
    {
        QFETCH(Setup, setup);
        QFETCH(QStringList, expected);
        SystemTree tree;
        QVERIFY(tree.isValid());
        const UserIdentity user = build(tree, setup);
        const PortDoctor::PortCheck check = PortDoctor::checkPort(u"ttyUSB0"_s, tree.root(), user);
        QStringList found;
        for (const PortDoctor::Finding &finding : check.findings) {
            if (finding.severity != Severity::Ok)
                found.append(shown(finding));
        }
        QCOMPARE(found, expected);
        const bool blocks = std::any_of(expected.cbegin(), expected.cend(),
                                        [](const QString &e) { return e.startsWith(u"blocks"_s); });
        QCOMPARE(check.blocks(), blocks);
    }

    // Which checks run: those the port allows, in one order.
    void checksThatApply_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QList<Check>>("checks");
        QTest::newRow("usb-converter")
            << Setup{} << QList<Check>{Check::Device,       Check::Access,  Check::Brltty,
                                       Check::ModemManager, Check::Holders, Check::Latency};
        QTest::newRow("usb-without-latency-timer")
            << Setup{.latencyMs = -1}
            << QList<Check>{Check::Device, Check::Access, Check::Brltty, Check::ModemManager,
                            Check::Holders};
        QTest::newRow("not-usb") << Setup{.usb = {}}
                                 << QList<Check>{Check::Device, Check::Access, Check::Holders};
        QTest::newRow("no-node") << Setup{.node = false}
                                 << QList<Check>{Check::Device, Check::Brltty};
    }

    void checksThatApply()
    {
        QFETCH(Setup, setup);
        QFETCH(QList<Check>, checks);
        SystemTree tree;
        const UserIdentity user = build(tree, setup);
        QList<Check> ran;
        for (const PortDoctor::Finding &finding :
             PortDoctor::checkPort(u"ttyUSB0"_s, tree.root(), user).findings)
            ran.append(finding.check);
        QCOMPARE(ran, checks);
    }

    // Each converter the package's rule names is given to the seated user and kept from
    // ModemManager, as the doctor reads the installed file.
    void recognisesThePackagedRule_data()
    {
        QTest::addColumn<QByteArray>("usb");
        for (const char *id :
             {"0403:6001", "0403:6015", "10c4:ea60", "1a86:7523", "1a86:55d4", "067b:2303"})
            QTest::newRow(id) << QByteArray(id);
    }

    void recognisesThePackagedRule()
    {
        QFETCH(QByteArray, usb);
        SystemTree tree;
        const UserIdentity user =
            build(tree, Setup{.loginHasGroup = false, .usb = usb, .brlttyMasked = true});
        const PortDoctor::PortCheck check = PortDoctor::checkPort(u"ttyUSB0"_s, tree.root(), user);
        QCOMPARE(check.usbId, QString::fromLatin1(usb));
        QStringList found;
        for (const PortDoctor::Finding &finding : check.findings) {
            if (finding.check == Check::Access || finding.check == Check::ModemManager)
                found.append(shown(finding));
        }
        QCOMPARE(found.size(), 2);
        QVERIFY2(found.at(0).startsWith(u"advice: "_s) &&
                     found.at(0).contains(u"70-korvant-converters.rules gives it to the user "
                                          "seated"_s),
                 qPrintable(found.at(0)));
        QCOMPARE(found.at(1), u"ok: ModemManager runs and leaves %1 alone "
                              "(70-korvant-converters.rules)"_s.arg(QString::fromLatin1(usb)));
    }

    void aPortWithoutANameIsNoPort()
    {
        SystemTree tree;
        const PortDoctor::PortCheck check = PortDoctor::checkPort({}, tree.root(), {});
        QCOMPARE(check.findings.size(), 1);
        QCOMPARE(shown(check.findings.first()), u"blocks: no port is chosen | korvant-cli ports"_s);
    }

    // What korvant-cli doctor prints and the Setup dialog shows: long texts go on below
    // their first line, a fix stays whole.
    void report_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("lines");
        // A USB converter's first lines, alice in dialout and the package's rule installed.
        const QStringList opening{
            u"ttyUSB0 (/dev/ttyUSB0, USB 0403:6001)"_s,
            u"  ok      /dev/ttyUSB0 is there"_s,
            u"  ok      alice may read and write /dev/ttyUSB0 as a member of dialout; the"_s,
            u"          udev rule 70-korvant-converters.rules gives it to the user seated at"_s,
            u"          this computer"_s,
        };
        QTest::newRow("healthy")
            << Setup{}
            << opening + QStringList{
                             u"  ok      no brltty rule claims 0403:6001"_s,
                             u"  ok      ModemManager runs and leaves 0403:6001 alone"_s,
                             u"          (70-korvant-converters.rules)"_s,
                             u"  ok      no other program has /dev/ttyUSB0 open"_s,
                             u"  ok      the converter's latency timer is 1 ms"_s,
                             u"Nothing blocks ttyUSB0."_s,
                         };
        QTest::newRow("two-findings-block")
            << Setup{.node = false, .usb = "1a86:7523"}
            << QStringList{
                   u"ttyUSB0 (/dev/ttyUSB0)"_s,
                   u"  blocks  /dev/ttyUSB0 does not exist: the converter is unplugged, or the port"_s,
                   u"          has another name"_s,
                   u"          fix: korvant-cli ports"_s,
                   u"  blocks  brltty's udev rule 85-brltty.rules claims 1a86:7523 for a braille"_s,
                   u"          display and takes the converter from its serial driver"_s,
                   u"          fix: sudo apt remove brltty"_s,
                   u"2 findings block ttyUSB0."_s,
               };
        QTest::newRow("brltty-switched-off-advice-only")
            << Setup{.latencyMs = 16, .modemManager = false, .brlttyMasked = true}
            << opening +
                   QStringList{
                       u"  ok      brltty's udev rule is switched off"_s,
                       u"  ok      ModemManager is not running"_s,
                       u"  ok      no other program has /dev/ttyUSB0 open"_s,
                       u"  advice  the converter's latency timer is 16 ms: it holds received bytes that"_s,
                       u"          long unless a program asks for low latency, as this one does while"_s,
                       u"          connected"_s,
                       u"          fix: echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer"_s,
                       u"Nothing blocks ttyUSB0."_s,
                   };
    }

    void report()
    {
        QFETCH(Setup, setup);
        QFETCH(QStringList, lines);
        SystemTree tree;
        const UserIdentity user = build(tree, setup);
        QCOMPARE(PortDoctor::report(PortDoctor::checkPort(u"ttyUSB0"_s, tree.root(), user)), lines);
    }

    // A message that has named the holder already adds only what else blocks.
    void blockingLinesLeaveOutWhatWasSaid()
    {
        SystemTree tree;
        const UserIdentity user = build(tree, Setup{.packagedRule = {}, .holder = "minicom"});
        const PortDoctor::PortCheck check = PortDoctor::checkPort(u"ttyUSB0"_s, tree.root(), user);
        const QString modemManager = u"ModemManager runs and no udev rule keeps it off 0403:6001: "
                                     "its modem probes upset the station's boot loader"_s;
        QCOMPARE(
            PortDoctor::blockingLines(check),
            (QStringList{modemManager, u"Fix: sudo systemctl stop ModemManager"_s,
                         u"ttyUSB0 is in use by minicom (pid 812)"_s, u"Fix: sudo kill 812"_s}));
        QCOMPARE(PortDoctor::blockingLines(check, {Check::Holders}),
                 (QStringList{modemManager, u"Fix: sudo systemctl stop ModemManager"_s}));
    }
};

QTEST_GUILESS_MAIN(tst_PortDoctor)
#include "tst_portdoctor.moc"
