#pragma once

#include <QList>
#include <QString>

// What to tell a user whose account may not open a serial port: the group that owns the
// device, and how to join it.
QString serialAccessHint(const QString &devicePath);

// The group to join for a serial device owned by deviceGroup: that group, or "dialout" where
// the system names none or only root.
QString serialGroup(const QString &deviceGroup);
// The command that adds a user to a group; it takes effect at the user's next login.
QString joinGroupCommand(const QString &user, const QString &group);

// A process that has a device open.
struct PortHolder
{
    QString program; // its command name, as the system shows it
    qint64 pid = 0;
};

// The other processes that have the device open, found from each process's open files under
// procRoot (only those this account may look into). This process is never one of them.
QList<PortHolder> portHolders(const QString &devicePath,
                              const QString &procRoot = QStringLiteral("/proc"));

// "ttyUSB0 is in use by ModemManager (pid 812)", each holder named; empty without holders.
QString portInUseText(const QString &devicePath, const QList<PortHolder> &holders);
