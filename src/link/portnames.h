#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Serial port names as the user sees them, and the device each one stands for.
namespace PortNames {

// The ports the system knows plus the advertised simulators, sorted without regard to case.
QStringList availablePorts();

// What the system tells of the converter behind a port.
struct UsbDetails
{
    QString description;
    QString manufacturer;
    QString serialNumber;
    quint16 vendorId = 0; // 0 with the product: not a USB device
    quint16 productId = 0;
    int latencyMs = -1; // the converter's latency timer; -1 where the system shows none
};

// "FT232R USB UART, FTDI, 0403:6001, serial A10K3Q, latency 16 ms": what is known, in that
// order; empty when nothing is.
QString describe(const UsbDetails &details);
// The system's details of its ports, by port name, read in one pass; a simulator or a port the
// system does not list has none.
QHash<QString, UsbDetails> usbDetailsByName();

// A name with "/" is a device path; an advertised simulator's name maps to its pty; any other
// name is a device under /dev. An empty name has no device.
QString devicePath(const QString &portName);

} // namespace PortNames
