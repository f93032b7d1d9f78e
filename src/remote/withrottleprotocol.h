#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The WiThrottle line protocol that phone throttle apps speak over TCP: one command a line,
// lines ended by CR, LF or CR LF. Lines are bytes on the wire (UTF-8 where they carry text);
// the formatters give a line without its end, which the server appends (LineEnd).
namespace WiThrottle {

inline constexpr qsizetype MaxLineLength = 1024;
// Speeds on the wire run 0 to 126 whatever the loco's speed steps; a negative speed stops.
inline constexpr int SpeedMaximum = 126;
inline constexpr int MaxAddress = 10239;
inline constexpr int MaxFunction = 68;
inline constexpr QByteArrayView LineEnd = "\n";

enum class Action
{
    Ignored, // unknown, malformed, or a part of the protocol not served here
    Refused, // longer than MaxLineLength: the client is to be closed
    Name,    // "N<name>"
    HardwareId,
    Heartbeat,    // "*"
    HeartbeatOn,  // "*+"
    HeartbeatOff, // "*-"
    Quit,
    Acquire,
    Release, // "r" release and "d" dispatch alike
    Speed,   // "V<0-126>"; "I" (idle) is speed 0
    EmergencyStop,
    Direction,     // value 1 forward, 0 reverse
    Function,      // a button: value 1 pressed, 0 released
    ForceFunction, // "f": value 1 on, 0 off
    SpeedStepMode,
    QuerySpeed,
    QueryDirection
};

// One client line. The multi-throttle commands "M<throttle><+|-|A><key><;>..." name a loco by
// its key: "S" (short) or "L" (long) and the DCC address, or "*" for every loco the throttle
// holds. The key is kept as the client wrote it, since the client matches our answers by it.
struct Command
{
    Action action = Action::Ignored;
    char throttle = 0; // one printable character, for the "M" commands
    QByteArray key;
    int address = -1; // -1 for "*"
    bool longAddress = false;
    int value = 0;    // speed, direction, button state or speed step mode
    int function = 0; // F0 to F68
    QString text;     // the name, the hardware id, or the roster entry of "E<name>"
    bool operator==(const Command &) const = default;
};

// Text fields lose their control characters and any bytes that are not UTF-8, so nothing a
// client sends can end a line or steer a terminal when it is shown or sent on.
Command parse(QByteArrayView line);
// The line a client sends for a command that parses; a parsed command formats to one that
// parses back to it.
QByteArray clientLine(const Command &command);

// Server lines.
struct RosterEntry
{
    QString name;
    int address = 0;
};
// "S3" up to 127, "L128" above: the key apps use for an address.
QByteArray addressKey(int address);
QByteArray version(); // "VN2.0"
QByteArray roster(const QList<RosterEntry> &entries);
QByteArray webPort(int port);
QByteArray heartbeat(int seconds);     // the longest a client may stay silent once it has sent "*+"
QByteArray alert(const QString &text); // shown to the user
QByteArray info(const QString &text);  // shown unobtrusively
QByteArray acquired(char throttle, QByteArrayView key);
QByteArray released(char throttle, QByteArrayView key);
QByteArray functionLabels(char throttle, QByteArrayView key, const QStringList &labels);
QByteArray speed(char throttle, QByteArrayView key, int value);
QByteArray direction(char throttle, QByteArrayView key, bool forward);
QByteArray function(char throttle, QByteArrayView key, int function, bool on);
QByteArray speedStepMode(char throttle, QByteArrayView key, int mode);
// The version, the roster and, when port is above 0, the web port: what a client reads first.
QList<QByteArray> greeting(const QList<RosterEntry> &entries, int port);

// The protocol's speed step mode for a slider maximum of 14, 31 (28 steps) or 128.
int speedStepModeOf(int sliderMaximum);

// Cuts a client's bytes into lines. A line that grows past MaxLineLength ends the reading:
// feed gives false from then on, and the server closes that client.
class LineReader final
{
public:
    bool feed(QByteArrayView bytes, QList<QByteArray> &lines);

private:
    QByteArray m_partial;
    bool m_overflowed = false;
};

} // namespace WiThrottle
