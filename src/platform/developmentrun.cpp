#include "platform/developmentrun.h"

#include <QFile>

bool isDevelopmentRun()
{
#ifdef Q_OS_LINUX
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!status.atEnd()) {
        const QByteArray line = status.readLine();
        if (line.startsWith("TracerPid:"))
            return line.mid(10).trimmed().toLongLong() != 0;
    }
#endif
    return false;
}
