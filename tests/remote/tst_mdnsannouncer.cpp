#include "remote/mdnsannouncer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString NoDaemonText = u"Not announced: no mDNS service (Avahi) is running on this "
                             u"computer; phones connect by address."_s;

} // namespace

#ifndef KORVANT_HAVE_AVAHI

class TestMdnsAnnouncer final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void saysItWasBuiltWithoutMdns()
    {
        MdnsAnnouncer announcer;
        QVERIFY(!MdnsAnnouncer::available());
        announcer.announce(u"Korvant test"_s, 12090);
        QCOMPARE(announcer.state(), MdnsAnnouncer::State::Off);
        QCOMPARE(announcer.stateText(), u"Not announced: this program was built without mDNS "
                                        u"support; phones connect by address."_s);
        announcer.withdraw();
        QCOMPARE(announcer.state(), MdnsAnnouncer::State::Off);
    }
};

#else

#include <cctype>
#include <memory>
#include <unistd.h>

namespace {

// Generous, as avahi-daemon probes names for about a second and every browse takes one more.
constexpr int BoundMs = 30000;

// The daemon gets its own user, mount and network namespaces: /run/avahi-daemon (its pid file
// path is compiled in) becomes a private tmpfs, the "avahi" user it insists on owning that
// directory is mapped to whoever runs the test, and only a private loopback is on the network.
// The inner user namespace maps the caller's uid back, so that D-Bus's credential check on
// the private bus, which runs outside, sees the same uid that the daemon claims.
const QString DaemonScript = uR"(set -e
"$5" link set lo up
mount -t tmpfs tmpfs /run
mount --bind "$1/passwd" /etc/passwd
mount --bind "$1/group" /etc/group
exec "$6" --user --map-user="$2" --map-group="$3" "$4" --no-drop-root --no-chroot \
    --no-rlimits --no-proc-title -f "$1/avahi-daemon.conf"
)"_s;

const QString BusConfig =
    uR"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)"_s;

const QString DaemonConfig = uR"([server]
host-name=korvant-test
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
)"_s;

QString tool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s})
                           : found;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray withAvahiEntry(const QString &path, const QByteArray &entry)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray kept;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith("avahi:"))
            kept += line + '\n';
    return kept + entry + '\n';
}

// Undoes avahi-browse's label escaping: "\." and "\\" for themselves, "\032" for a byte.
QString unescapeLabel(const QByteArray &label)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] != '\\' || i + 1 == label.size()) {
            bytes += label[i];
        } else if (i + 3 < label.size() && std::isdigit(uchar(label[i + 1]))) {
            bytes += char(label.mid(i + 1, 3).toInt());
            i += 3;
        } else {
            bytes += label[++i];
        }
    }
    return QString::fromUtf8(bytes);
}

QString announcedText(const QString &name)
{
    return u"Announced on the network as \"%1\"."_s.arg(name);
}

} // namespace

class TestMdnsAnnouncer final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void refusesUnusableNames();
    void waitsWithoutBus();
    void waitsForDaemonOnBus();
    void announcesWhenDaemonStartsLater();
    void announcesWhenBusStartsLater();
    void secondAnnounceReplacesFirst();
    void withdrawRemovesService();
    void destructionRemovesService();
    void collidingNamesGetAlternatives();
    void reannouncesAfterDaemonRestart();
    void survivesCyclesWithoutDaemon();
    void survivesCyclesWithDaemon();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    void startBus();
    void startDaemon();
    void stop(QProcess &process);
    QStringList visible();
    QString daemonLog();

    QTemporaryDir m_dir{u"/tmp/tst_mdnsannouncer-XXXXXX"_s};
    QProcess m_bus;
    QProcess m_daemon;
    QByteArray m_daemonLog;
};

void TestMdnsAnnouncer::initTestCase()
{
    QVERIFY(MdnsAnnouncer::available());
    QVERIFY(m_dir.isValid());
    for (const QString &name :
         {u"dbus-daemon"_s, u"avahi-daemon"_s, u"avahi-browse"_s, u"unshare"_s, u"ip"_s})
        QVERIFY2(!tool(name).isEmpty(),
                 qPrintable(name + u" is missing (Debian: dbus-daemon, avahi-daemon, avahi-utils, "
                                   u"util-linux, iproute2)"_s));
    const QByteArray uid = QByteArray::number(getuid());
    const QByteArray gid = QByteArray::number(getgid());
    QVERIFY(writeFile(file(u"bus.conf"_s), BusConfig.arg(file(u"bus"_s)).toUtf8()));
    QVERIFY(writeFile(file(u"avahi-daemon.conf"_s), DaemonConfig.toUtf8()));
    QVERIFY(writeFile(file(u"passwd"_s),
                      withAvahiEntry(u"/etc/passwd"_s,
                                     "avahi:x:" + uid + ':' + gid + "::/nonexistent:/bin/false")));
    QVERIFY(writeFile(file(u"group"_s), withAvahiEntry(u"/etc/group"_s, "avahi:x:" + gid + ':')));
    // libdbus reads this once per process, so it is set before any announcer exists; it also
    // keeps the tests away from a real system bus.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + file(u"bus"_s).toUtf8());
    connect(&m_daemon, &QProcess::readyRead, this, [this] { m_daemonLog += m_daemon.readAll(); });
}

void TestMdnsAnnouncer::cleanup()
{
    stop(m_daemon);
    stop(m_bus);
    m_daemonLog.clear();
}

void TestMdnsAnnouncer::startBus()
{
    QFile::remove(file(u"bus"_s));
    m_bus.start(tool(u"dbus-daemon"_s),
                {u"--nofork"_s, u"--print-address=1"_s, u"--config-file="_s + file(u"bus.conf"_s)});
    QVERIFY2(m_bus.waitForStarted(BoundMs), qPrintable(m_bus.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), BoundMs);
}

void TestMdnsAnnouncer::startDaemon()
{
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.start(tool(u"unshare"_s),
                   {u"--user"_s, u"--map-root-user"_s, u"--mount"_s, u"--net"_s, u"sh"_s, u"-c"_s,
                    DaemonScript, u"sh"_s, m_dir.path(), QString::number(getuid()),
                    QString::number(getgid()), tool(u"avahi-daemon"_s), tool(u"ip"_s),
                    tool(u"unshare"_s)});
    QVERIFY2(m_daemon.waitForStarted(BoundMs), qPrintable(m_daemon.errorString()));
}

void TestMdnsAnnouncer::stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(BoundMs)) {
        process.kill();
        process.waitForFinished(BoundMs);
    }
}

QString TestMdnsAnnouncer::daemonLog()
{
    m_daemonLog += m_daemon.readAll();
    return u"avahi-daemon said:\n"_s + QString::fromUtf8(m_daemonLog);
}

// "name:port" of every _withrottle._tcp service the private daemon knows, sorted; a failed
// browse gives a line that matches no expectation, so an empty list never passes by accident.
QStringList TestMdnsAnnouncer::visible()
{
    QProcess browse;
    browse.start(tool(u"avahi-browse"_s),
                 {u"--resolve"_s, u"--parsable"_s, u"--terminate"_s, u"_withrottle._tcp"_s});
    if (!browse.waitForFinished(BoundMs) || browse.exitStatus() != QProcess::NormalExit ||
        browse.exitCode() != 0)
        return {u"avahi-browse failed: "_s + QString::fromUtf8(browse.readAllStandardError())};
    QStringList found;
    for (const QByteArray &line : browse.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(';');
        if (fields.size() >= 9 && fields[0] == "=")
            found += unescapeLabel(fields[3]) + u':' + QString::fromLatin1(fields[8]);
    }
    found.sort();
    found.removeDuplicates();
    return found;
}

void TestMdnsAnnouncer::refusesUnusableNames()
{
    MdnsAnnouncer announcer;
    announcer.announce(QString(), 12090);
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Failed);
    QVERIFY2(announcer.stateText().contains(u"not usable as a network name"_s),
             qPrintable(announcer.stateText()));
    announcer.announce(QString(64, u'x'), 12090);
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Failed);
    announcer.announce(QString(63, u'x'), 12090);
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Waiting);
}

void TestMdnsAnnouncer::waitsWithoutBus()
{
    MdnsAnnouncer announcer;
    QSignalSpy changes(&announcer, &MdnsAnnouncer::stateChanged);
    announcer.announce(u"Korvant test"_s, 12090);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), NoDaemonText, BoundMs);
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Waiting);
    QVERIFY(changes.count() >= 2);
    announcer.withdraw();
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Off);
    QCOMPARE(announcer.stateText(), u"Not announced on the network."_s);
}

void TestMdnsAnnouncer::waitsForDaemonOnBus()
{
    startBus();
    MdnsAnnouncer announcer;
    announcer.announce(u"Korvant test"_s, 12090);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), NoDaemonText, BoundMs);
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Waiting);
}

void TestMdnsAnnouncer::announcesWhenDaemonStartsLater()
{
    startBus();
    MdnsAnnouncer announcer;
    announcer.announce(u"Korvant test"_s, 12090);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), NoDaemonText, BoundMs);
    startDaemon();
    QTRY_VERIFY2_WITH_TIMEOUT(announcer.state() == MdnsAnnouncer::State::Announced,
                              qPrintable(daemonLog()), BoundMs);
    QCOMPARE(announcer.stateText(), announcedText(u"Korvant test"_s));
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant test:12090"_s}, BoundMs);
}

void TestMdnsAnnouncer::announcesWhenBusStartsLater()
{
    MdnsAnnouncer announcer;
    announcer.announce(u"Korvant test"_s, 12090);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), NoDaemonText, BoundMs);
    startBus();
    startDaemon();
    QTRY_VERIFY2_WITH_TIMEOUT(announcer.state() == MdnsAnnouncer::State::Announced,
                              qPrintable(daemonLog()), BoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant test:12090"_s}, BoundMs);
}

void TestMdnsAnnouncer::secondAnnounceReplacesFirst()
{
    startBus();
    startDaemon();
    MdnsAnnouncer announcer;
    announcer.announce(u"Korvant first"_s, 12090);
    QTRY_VERIFY2_WITH_TIMEOUT(announcer.state() == MdnsAnnouncer::State::Announced,
                              qPrintable(daemonLog()), BoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant first:12090"_s}, BoundMs);
    announcer.announce(u"Korvant second"_s, 12091);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), announcedText(u"Korvant second"_s), BoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant second:12091"_s}, BoundMs);
}

void TestMdnsAnnouncer::withdrawRemovesService()
{
    startBus();
    startDaemon();
    MdnsAnnouncer kept;
    MdnsAnnouncer withdrawn;
    kept.announce(u"Korvant kept"_s, 12090);
    withdrawn.announce(u"Korvant withdrawn"_s, 12091);
    const QStringList both{u"Korvant kept:12090"_s, u"Korvant withdrawn:12091"_s};
    QTRY_COMPARE_WITH_TIMEOUT(visible(), both, BoundMs);
    withdrawn.withdraw();
    QCOMPARE(withdrawn.state(), MdnsAnnouncer::State::Off);
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant kept:12090"_s}, BoundMs);
    QCOMPARE(kept.state(), MdnsAnnouncer::State::Announced);
}

void TestMdnsAnnouncer::destructionRemovesService()
{
    startBus();
    startDaemon();
    MdnsAnnouncer kept;
    auto destroyed = std::make_unique<MdnsAnnouncer>();
    kept.announce(u"Korvant kept"_s, 12090);
    destroyed->announce(u"Korvant destroyed"_s, 12091);
    const QStringList both{u"Korvant destroyed:12091"_s, u"Korvant kept:12090"_s};
    QTRY_COMPARE_WITH_TIMEOUT(visible(), both, BoundMs);
    destroyed.reset();
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant kept:12090"_s}, BoundMs);
}

void TestMdnsAnnouncer::collidingNamesGetAlternatives()
{
    startBus();
    startDaemon();
    MdnsAnnouncer first;
    MdnsAnnouncer second;
    first.announce(u"Korvant clash"_s, 12090);
    QTRY_VERIFY2_WITH_TIMEOUT(first.state() == MdnsAnnouncer::State::Announced,
                              qPrintable(daemonLog()), BoundMs);
    second.announce(u"Korvant clash"_s, 12091);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), MdnsAnnouncer::State::Announced, BoundMs);
    QCOMPARE(first.stateText(), announcedText(u"Korvant clash"_s));
    QCOMPARE(second.stateText(), announcedText(u"Korvant clash #2"_s));
    const QStringList both{u"Korvant clash #2:12091"_s, u"Korvant clash:12090"_s};
    QTRY_COMPARE_WITH_TIMEOUT(visible(), both, BoundMs);
}

void TestMdnsAnnouncer::reannouncesAfterDaemonRestart()
{
    startBus();
    startDaemon();
    MdnsAnnouncer announcer;
    announcer.announce(u"Korvant test"_s, 12090);
    QTRY_VERIFY2_WITH_TIMEOUT(announcer.state() == MdnsAnnouncer::State::Announced,
                              qPrintable(daemonLog()), BoundMs);
    stop(m_daemon);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), NoDaemonText, BoundMs);
    startDaemon();
    QTRY_COMPARE_WITH_TIMEOUT(announcer.state(), MdnsAnnouncer::State::Announced, BoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant test:12090"_s}, BoundMs);
}

void TestMdnsAnnouncer::survivesCyclesWithoutDaemon()
{
    for (int i = 0; i < 50; ++i) {
        MdnsAnnouncer transient;
        transient.announce(u"Korvant transient"_s, 12090);
        if (i % 2)
            transient.withdraw();
        transient.announce(u"Korvant transient"_s, 12091);
    }
    MdnsAnnouncer announcer;
    for (int i = 0; i < 50; ++i) {
        announcer.announce(u"Korvant cycle"_s, quint16(13000 + i));
        announcer.withdraw();
    }
    QCOMPARE(announcer.state(), MdnsAnnouncer::State::Off);
    announcer.announce(u"Korvant cycle"_s, 12090);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), NoDaemonText, BoundMs);
}

void TestMdnsAnnouncer::survivesCyclesWithDaemon()
{
    startBus();
    startDaemon();
    MdnsAnnouncer announcer;
    announcer.announce(u"Korvant warm-up"_s, 12090);
    QTRY_VERIFY2_WITH_TIMEOUT(announcer.state() == MdnsAnnouncer::State::Announced,
                              qPrintable(daemonLog()), BoundMs);
    for (int i = 0; i < 20; ++i) {
        MdnsAnnouncer transient;
        transient.announce(u"Korvant transient %1"_s.arg(i), quint16(14000 + i));
        announcer.announce(u"Korvant cycle %1"_s.arg(i), quint16(13000 + i));
        if (i % 2)
            announcer.withdraw();
        // Delivers reports about requests already replaced, which must not change the state.
        QCoreApplication::processEvents();
    }
    announcer.announce(u"Korvant cycle end"_s, 13999);
    QTRY_COMPARE_WITH_TIMEOUT(announcer.stateText(), announcedText(u"Korvant cycle end"_s),
                              BoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(visible(), QStringList{u"Korvant cycle end:13999"_s}, BoundMs);
}

#endif

QTEST_GUILESS_MAIN(TestMdnsAnnouncer)
#include "tst_mdnsannouncer.moc"
