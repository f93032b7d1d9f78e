#include "link/reconnectwatcher.h"

#include "link/portnames.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace {
constexpr int LookEveryMs = 500;
}

ReconnectWatcher::ReconnectWatcher(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(LookEveryMs);
    connect(&m_timer, &QTimer::timeout, this, &ReconnectWatcher::look);
}

QString ReconnectWatcher::serialNumberOf(const QString &portName)
{
    const QString device = QFileInfo(PortNames::devicePath(portName)).canonicalFilePath();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (!device.isEmpty() && info.systemLocation() == device)
            return info.serialNumber();
    }
    return {};
}

void ReconnectWatcher::watch(const QString &portName, const QString &serialNumber)
{
    m_portName = portName;
    m_serialNumber = serialNumber;
    m_timer.start();
}

void ReconnectWatcher::stop()
{
    m_timer.stop();
}

void ReconnectWatcher::look()
{
    const QString device = PortNames::devicePath(m_portName);
    if (!device.isEmpty() && QFileInfo::exists(device)) {
        stop();
        Q_EMIT portBack(m_portName);
        return;
    }
    if (m_serialNumber.isEmpty())
        return;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.serialNumber() == m_serialNumber) {
            stop();
            Q_EMIT portBack(info.portName());
            return;
        }
    }
}
