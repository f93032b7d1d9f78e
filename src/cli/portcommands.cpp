#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/stationport.h"
#include "link/comport.h"
#include "link/instructionchannel.h"
#include "link/instructions.h"
#include "link/portnames.h"
#include "link/sharedstate.h"
#include "platform/korvanterror.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace Cli {

int runPorts(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"The serial ports the Setup dialog lists, one a line: the system's "
                            "ports and the running station simulators. A USB port is followed, "
                            "after a tab, by what is behind it: description, manufacturer, "
                            "VID:PID, serial number and the converter's latency."_s);
    if (!args.parse(arguments))
        return Success;
    const QHash<QString, PortNames::UsbDetails> usb = PortNames::usbDetailsByName();
    for (const QString &name : PortNames::availablePorts()) {
        const QString details = PortNames::describe(usb.value(name));
        Output::line(details.isEmpty() ? name : name + u'\t' + details);
    }
    return Success;
}

int runSend(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"Sends one instruction to the station, as the Link page does: \":\", "
                            "a command letter and three operand characters, nothing else.\n"
                            "  :S1nn  speed nn (hex) of loco 1-4    :D000  direction of loco 0-3\n"
                            "  :H000  headlight of loco 0-3         :F100  function 1-g\n"
                            "  :E000  all locos stop                :X100  CV page opened"_s);
    StationPort::addOptions(args);
    args.addPositional(u"INSTRUCTION"_s, u"The instruction, for example :F100."_s);
    if (!args.parse(arguments))
        return Success;
    const QString instruction = args.positional(0);
    if (!Instructions::parse(instruction))
        args.fail(u"\"%1\" is not an instruction the station takes"_s.arg(instruction));
    const StationPort::Choice choice = StationPort::chosen(args);

    TComPort port;
    SharedState state;
    QObject::connect(&port, &TComPort::afterOpen, &port, [&state] { state.LinkOpen = true; });
    QObject::connect(&port, &TComPort::afterClose, &port, [&state] { state.LinkOpen = false; });
    StationPort::open(port, choice);
    InstructionChannel channel(port, state, [] { QCoreApplication::processEvents(); });
    channel.DoInstruction(instruction);
    if (!state.LinkOpen)
        throw KorvantError(
            u"the port %1 closed before the instruction went out"_s.arg(choice.port));
    return Success;
}

} // namespace Cli
