#pragma once

#include <QString>
#include <QStringList>

// Serial port names as the user sees them, and the device each one stands for.
namespace PortNames {

// The ports the system knows plus the advertised simulators, sorted without regard to case.
QStringList availablePorts();

// A name with "/" is a device path; an advertised simulator's name maps to its pty; any other
// name is a device under /dev. An empty name has no device.
QString devicePath(const QString &portName);

} // namespace PortNames
