#include "platform/serialaccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

QString serialAccessHint(const QString &devicePath)
{
    const QString group = serialGroup(QFileInfo(devicePath).group());
    return u"Your account may not open %1. Serial ports belong to the group '%2': join it with "
           "\"%3\", then log out and in again."_s.arg(devicePath, group,
                                                      joinGroupCommand(u"$USER"_s, group));
}

QString serialGroup(const QString &deviceGroup)
{
    if (deviceGroup.isEmpty() || deviceGroup == u"root"_s)
        return u"dialout"_s; // Debian gives serial ports to this group
    return deviceGroup;
}

QString joinGroupCommand(const QString &user, const QString &group)
{
    return u"sudo adduser %1 %2"_s.arg(user, group);
}

QList<PortHolder> portHolders(const QString &devicePath, const QString &procRoot)
{
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    const QString self = QString::number(QCoreApplication::applicationPid());
    QList<PortHolder> holders;
    if (device.isEmpty())
        return holders;
    const QDir proc(procRoot);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 number = pid.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        const QDir fds(proc.filePath(pid + u"/fd"_s));
        for (const QFileInfo &fd :
             fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() != device)
                continue;
            QFile comm(proc.filePath(pid + u"/comm"_s));
            const QString program = comm.open(QIODevice::ReadOnly)
                                        ? QString::fromLocal8Bit(comm.read(64)).trimmed()
                                        : QString();
            holders.append({program.isEmpty() ? u"another program"_s : program, number});
            break;
        }
    }
    return holders;
}

QString portInUseText(const QString &devicePath, const QList<PortHolder> &holders)
{
    QStringList names;
    for (const PortHolder &holder : holders)
        names.append(u"%1 (pid %2)"_s.arg(holder.program).arg(holder.pid));
    if (names.isEmpty())
        return {};
    // Named as under /dev ("ttyUSB0", "pts/3"), as users know their ports.
    const QString name =
        devicePath.startsWith(u"/dev/"_s) ? devicePath.mid(5) : QFileInfo(devicePath).fileName();
    return u"%1 is in use by %2"_s.arg(name, names.join(u", "_s));
}
