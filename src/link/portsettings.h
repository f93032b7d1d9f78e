#pragma once

#include <QString>
#include <QStringList>

// The port's line settings and their names. The names are what the status bar shows, what the
// setup dialog lists and what the settings store keeps, so they are the one place for them.
namespace PortSettings {

enum class BaudRate
{
    Custom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum class StopBits
{
    One,
    OnePointFive,
    Two
};
enum class DataBits
{
    Five,
    Six,
    Seven,
    Eight
};
enum class Parity
{
    None,
    Odd,
    Even,
    Mark,
    Space
};
enum class FlowControl
{
    Hardware,
    Software,
    None,
    Custom
};

const QStringList &baudRateNames();
const QStringList &stopBitsNames();
const QStringList &dataBitsNames();
const QStringList &parityNames();
const QStringList &flowControlNames();

QString name(BaudRate value);
QString name(StopBits value);
QString name(DataBits value);
QString name(Parity value);
QString name(FlowControl value);

// Name to value: the first entry equal to the text without regard to (ASCII) case; a text
// that names nothing gives the fallback (9600 baud, one stop bit, eight data bits, no parity,
// custom flow control).
BaudRate baudRateFromName(const QString &text);
StopBits stopBitsFromName(const QString &text);
DataBits dataBitsFromName(const QString &text);
Parity parityFromName(const QString &text);
FlowControl flowControlFromName(const QString &text);

// Bits per second of a named rate; Custom has no fixed rate and gives 0.
int bitsPerSecond(BaudRate value);

// The flow-control fields of the port; the name is derived from them.
enum class RtsControl
{
    Disable,
    Enable,
    Handshake,
    Toggle
};
enum class DtrControl
{
    Disable,
    Enable,
    Handshake
};

struct FlowControlFields
{
    RtsControl rts = RtsControl::Disable;
    bool ctsOutputFlow = false;
    bool dsrOutputFlow = false;
    DtrControl dtr = DtrControl::Disable;
    bool xonXoffIn = false;
    bool xonXoffOut = false;
    char xonChar = 17;
    char xoffChar = 19;

    bool operator==(const FlowControlFields &) const = default;
};

FlowControl deriveFlowControl(const FlowControlFields &fields);
// Setting "Custom" changes nothing.
FlowControlFields withFlowControl(FlowControlFields fields, FlowControl value);

} // namespace PortSettings
