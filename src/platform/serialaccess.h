#pragma once

#include <QList>
#include <QString>

// What to tell a user whose account may not open a serial port: the group that owns the
// device, and how to join it.
QString serialAccessHint(const QString &devicePath);

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
