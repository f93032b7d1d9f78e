#include "link/portnames.h"

#include "link/simulatorports.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace PortNames {

namespace {

QStringList advertisedPorts()
{
    QStringList names;
    const QDir folder(::advertisedPortsFolder());
    for (const QFileInfo &entry : folder.entryInfoList(QDir::System | QDir::Files)) {
        // A simulator that died leaves a dangling link behind; it is not a port any more.
        if (entry.isSymLink() && QFileInfo::exists(entry.symLinkTarget()))
            names.append(entry.fileName());
    }
    return names;
}

} // namespace

QStringList availablePorts()
{
    QStringList names = advertisedPorts();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    names.removeDuplicates();
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString devicePath(const QString &portName)
{
    if (portName.isEmpty())
        return {};
    if (portName.contains(u'/'))
        return portName;
    const QFileInfo advertised(advertisedPortPath(portName));
    if (advertised.isSymLink())
        return advertised.symLinkTarget();
    return u"/dev/"_s + portName;
}

} // namespace PortNames
