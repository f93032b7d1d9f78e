#pragma once

#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// A small stand-in for the system's root folder, as the port doctor reads it: device nodes
// under dev/, a USB converter under sys/, processes under proc/, etc/group and udev rules.
// Its files belong to whoever runs the test; a test gives its user other ids to be a stranger
// to them, so a case runs the same for root and for an ordinary user.
class SystemTree final
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    // Where a system path ("/dev/ttyUSB0") lies in the tree.
    QString path(const QString &systemPath) const { return m_dir.path() + systemPath; }

    quint32 ownerId() const { return QFileInfo(m_dir.path()).ownerId(); }
    quint32 groupId() const { return QFileInfo(m_dir.path()).groupId(); }

    // A device node (a plain file here) with these permission bits.
    bool addDevice(const QString &name, QFileDevice::Permissions mode)
    {
        const QString node = path(QStringLiteral("/dev/") + name);
        return TestFiles::write(node, {}) && QFile::setPermissions(node, mode);
    }

    // The USB device of a converter ("0403", "6001") on the bus, with its tty when tty is not
    // empty, and that tty's latency timer when latencyMs is not negative.
    bool addUsbConverter(const QByteArray &vendor, const QByteArray &product,
                         const QString &tty = {}, int latencyMs = -1)
    {
        const QString usb = path(QStringLiteral("/sys/devices/pci0000:00/usb1/1-1"));
        bool done = TestFiles::write(usb + QStringLiteral("/idVendor"), vendor + '\n') &&
                    TestFiles::write(usb + QStringLiteral("/idProduct"), product + '\n') &&
                    link(usb, QStringLiteral("/sys/bus/usb/devices/1-1"));
        if (tty.isEmpty())
            return done;
        const QString port = usb + QStringLiteral("/1-1:1.0/") + tty;
        done = done && QDir().mkpath(port) &&
               link(port, QStringLiteral("/sys/class/tty/%1/device").arg(tty));
        if (latencyMs >= 0) {
            done = done &&
                   TestFiles::write(port + QStringLiteral("/latency_timer"),
                                    QByteArray::number(latencyMs) + '\n') &&
                   link(port, QStringLiteral("/sys/bus/usb-serial/devices/") + tty);
        }
        return done;
    }

    // A process by its command name, with these files open (system paths).
    bool addProcess(qint64 pid, const QByteArray &comm, const QStringList &openFiles = {})
    {
        const QString proc = QStringLiteral("/proc/%1").arg(pid);
        bool done = TestFiles::write(path(proc + QStringLiteral("/comm")), comm + '\n') &&
                    QDir().mkpath(path(proc + QStringLiteral("/fd")));
        for (int fd = 0; fd < openFiles.size(); ++fd)
            done = done && link(path(openFiles.at(fd)), proc + QStringLiteral("/fd/%1").arg(fd));
        return done;
    }

    // The lines of etc/group, "dialout:x:20:alice" each.
    bool setGroups(const QByteArray &lines)
    {
        return TestFiles::write(path(QStringLiteral("/etc/group")), lines);
    }

    bool addFile(const QString &systemPath, const QByteArray &contents)
    {
        return TestFiles::write(path(systemPath), contents);
    }

    // A link at systemPath to target, which is a path outside the tree as it stands.
    bool link(const QString &target, const QString &systemPath)
    {
        const QString at = path(systemPath);
        return QDir().mkpath(QFileInfo(at).path()) && QFile::link(target, at);
    }

private:
    QTemporaryDir m_dir;
};
