#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct UserIdentity;

// What stops a serial port from opening on this system, each finding with the one command that
// mends it. korvant-cli doctor and the Setup dialog's "Check port" show the same checks.
//
// Every file is read through one root folder that stands for "/" (the device under dev/, the
// converter under sys/, the processes under proc/, etc/group and the udev rules folders), so
// the checks run on fixture trees as they run on the real system. Texts and commands always
// name the real paths.
namespace PortDoctor {

enum class Check
{
    Device,       // the device node is there
    Access,       // the user may read and write it
    Brltty,       // no braille display rule claims the converter
    ModemManager, // no modem probe disturbs the station
    Holders,      // no other process has it open
    Latency       // the converter hands received bytes over at once
};

enum class Severity
{
    Ok,
    Advice, // worth mending; the port opens without
    Blocks  // the port will not open, or not reliably, until it is mended
};

struct Finding
{
    Check check = Check::Device;
    Severity severity = Severity::Ok;
    QString text;
    QString fix; // one command; empty when all is well
};

struct PortCheck
{
    QString port;   // as the user named it
    QString device; // on the system: "/dev/ttyUSB0"
    QString usbId;  // "0403:6001"; empty for a port that is not a USB converter's
    QList<Finding> findings;

    bool blocks() const;
};

// The variable that points the checks at another root folder; without it they read "/".
inline const QString RootVariable = QStringLiteral("KORVANT_SYSTEM_ROOT");
QString systemRoot();

// The checks of one port, in the order of Check; a check that cannot apply (no device node,
// not a USB converter) is left out.
PortCheck checkPort(const QString &portName, const QString &root, const UserIdentity &user);

// The lines korvant-cli doctor prints for one port: a heading, one line per check, each
// finding's fix below it, and whether anything blocks the port.
QStringList report(const PortCheck &check);

// The blocking findings as a message adds them below what it says: each text, then its fix;
// the checks in leaveOut are left out, as the message has said them already.
QStringList blockingLines(const PortCheck &check, const QList<Check> &leaveOut = {});

} // namespace PortDoctor
