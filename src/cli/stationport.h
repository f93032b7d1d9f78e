#pragma once

#include <QString>

class TComPort;

namespace Cli {

class Arguments;

// The station's port as the commands that talk to it choose it: --port and --baud, set up as
// the program sets its port up by default (57600 baud, no flow control, the Configuration
// page's time-outs and buffer sizes).
namespace StationPort {

struct Choice
{
    QString port;
    int baud = 0;
};

void addOptions(Arguments &arguments);
// A missing --port, or a rate that is not a positive number, is a usage error.
Choice chosen(const Arguments &arguments);
// Sets the port up and opens it, then discards what was queued, as "&Connect" does. Fails with
// "cannot open port X: <the port's message>".
// The commands leave the closing to the port's destructor: close() discards what the system
// still holds for the station, as "&Disconnect" does, and the last bytes of an upload or an
// instruction would be lost.
void open(TComPort &port, const Choice &choice);
// The rate as the Start and End lines name it.
QString baudName(const TComPort &port);

} // namespace StationPort

} // namespace Cli
