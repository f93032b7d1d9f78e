#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QSet>
#include <climits>
#include <unistd.h>

// The TCP ports this process listens on, from the system's socket tables: what a start-up
// opened to the network, whatever object opened it.
inline QList<quint16> listeningPorts()
{
    QSet<QByteArray> inodes;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(qPrintable(fds.filePath(fd)), target, sizeof target - 1);
        const QByteArray link(target, n > 0 ? n : 0);
        if (link.startsWith("socket:[") && link.endsWith(']'))
            inodes.insert(link.mid(8).chopped(1));
    }
    QList<quint16> ports;
    for (const char *table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // the heading
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            constexpr QByteArrayView Listen = "0A";
            if (fields.size() < 10 || fields.at(3) != Listen || !inodes.contains(fields.at(9)))
                continue;
            const QByteArray local = fields.at(1);
            ports.append(quint16(local.mid(local.lastIndexOf(':') + 1).toUInt(nullptr, 16)));
        }
    }
    return ports;
}
