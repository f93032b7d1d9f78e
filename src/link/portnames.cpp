#include "link/portnames.h"

#include "link/hexdigits.h"
#include "link/lowlatency.h"
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

QString describe(const UsbDetails &d)
{
    QStringList parts;
    for (const QString &text : {d.description, d.manufacturer}) {
        if (!text.trimmed().isEmpty())
            parts.append(text.trimmed());
    }
    if (d.vendorId != 0 || d.productId != 0) {
        parts.append(HexDigits::usbIdText(d.vendorId) + u':' + HexDigits::usbIdText(d.productId));
    }
    if (!d.serialNumber.trimmed().isEmpty())
        parts.append(u"serial "_s + d.serialNumber.trimmed());
    if (d.latencyMs >= 0)
        parts.append(u"latency %1 ms"_s.arg(d.latencyMs));
    return parts.join(u", "_s);
}

QHash<QString, UsbDetails> usbDetailsByName()
{
    QHash<QString, UsbDetails> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        UsbDetails &details = ports[info.portName()];
        details.description = info.description();
        details.manufacturer = info.manufacturer();
        details.serialNumber = info.serialNumber();
        details.vendorId = info.hasVendorIdentifier() ? info.vendorIdentifier() : 0;
        details.productId = info.hasProductIdentifier() ? info.productIdentifier() : 0;
        details.latencyMs = LowLatency::latencyTimerMs(info.systemLocation()).value_or(-1);
    }
    return ports;
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
