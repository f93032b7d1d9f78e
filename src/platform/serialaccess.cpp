#include "platform/serialaccess.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

QString serialAccessHint(const QString &devicePath)
{
    QString group = QFileInfo(devicePath).group();
    if (group.isEmpty() || group == u"root"_s)
        group = u"dialout"_s; // Debian gives serial ports to this group
    return u"Your account may not open %1. Serial ports belong to the group '%2': join it with "
           "\"sudo adduser $USER %2\", then log out and in again."_s.arg(devicePath, group);
}
