#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "link/portdoctor.h"
#include "link/portnames.h"
#include "platform/currentuser.h"
#include "platform/korvanterror.h"

using namespace Qt::Literals::StringLiterals;

namespace Cli {

int runDoctor(const QString &command, const QStringList &arguments)
{
    Arguments args(
        command,
        u"Finds what stops a serial port from opening, as the Setup dialog's \"Check port\" "
        "does: the device node, read and write permission (the dialout group, a udev rule that "
        "gives the seated user the port), brltty claiming the converter, ModemManager probing "
        "it, another program holding it, and the converter's latency timer. One line a check, "
        "\"ok\", \"advice\" or \"blocks\", each finding followed by the one command that fixes "
        "it.\n"
        "Without --port every port 'korvant-cli ports' lists is checked; with none listed, that "
        "is a failure. Exit status 1 when anything blocks a checked port, 0 otherwise (advice "
        "alone does not fail)."_s);
    args.addOption(QCommandLineOption(
        u"port"_s,
        u"The port to check: a name from 'korvant-cli ports' (ttyUSB0, SIM1) or a device path."_s,
        u"PORT"_s));
    if (!args.parse(arguments))
        return Success;
    QStringList ports{args.value(u"port"_s)};
    if (!args.isSet(u"port"_s)) {
        ports = PortNames::availablePorts();
        if (ports.isEmpty())
            throw KorvantError(
                u"no serial port found: plug the converter in, or start the station simulator"_s);
    }
    const QString root = PortDoctor::systemRoot();
    const UserIdentity user = currentUser();
    QStringList blocked;
    for (const QString &port : ports) {
        const PortDoctor::PortCheck check = PortDoctor::checkPort(port, root, user);
        if (port != ports.constFirst())
            Output::line(QString());
        for (const QString &line : PortDoctor::report(check))
            Output::line(line);
        if (check.blocks())
            blocked.append(port.isEmpty() ? u"the port"_s : port);
    }
    if (!blocked.isEmpty())
        throw KorvantError(
            u"what is marked \"blocks\" keeps %1 from opening"_s.arg(blocked.join(u", "_s)));
    return Success;
}

} // namespace Cli
