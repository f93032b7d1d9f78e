#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/korvanterror.h"
#include "platform/versionrecord.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace Cli {

namespace {

const QString Description =
    u"The Korvant station tool from the command line: the engines of the window, for scripts\n"
    "and for looking after many stations.\n"
    "Exit status: 0 on success, 1 when the work failed (one line on standard error says why),\n"
    "2 when the command line is wrong."_s;

Runner group(const QString &description, const QList<Command> &commands)
{
    return [description, commands](const QString &command, const QStringList &arguments) {
        return dispatch(command, description, commands, arguments);
    };
}

QList<Command> commands()
{
    const QList<Command> turnout{
        {u"decode"_s, u"The groups of a .tout file, as the decoder page shows them."_s,
         runTurnoutDecode},
        {u"encode"_s, u"The memory image text of encoder rows, as the export makes it."_s,
         runTurnoutEncode},
    };
    const QList<Command> cv{
        {u"sequence"_s, u"The CV sequence text of a list of CVs."_s, runCvSequence},
    };
    return {
        {u"ports"_s, u"Lists the serial ports, as the Setup dialog does."_s, runPorts},
        {u"doctor"_s, u"Finds what stops a port from opening, and the fix."_s, runDoctor},
        {u"flash"_s, u"Uploads a firmware file to the station's boot loader."_s, runFlash},
        {u"send"_s, u"Sends one instruction to the station."_s, runSend},
        {u"monitor"_s, u"Prints the packets the station sends."_s, runMonitor},
        {u"hex-check"_s, u"Checks an Intel HEX file."_s, runHexCheck},
        {u"hex2asm"_s, u"The assembler listing of an Intel HEX file."_s, runHex2Asm},
        {u"version-of"_s, u"A value of a program file's version record."_s, runVersionOf},
        {u"turnout"_s, u"Turnout tables: decode, encode."_s, group(u"Turnout tables."_s, turnout)},
        {u"cv"_s, u"CV sequences: sequence."_s, group(u"CV sequences."_s, cv)},
    };
}

} // namespace

int run(const QStringList &arguments)
{
    const QStringList rest = arguments.mid(1);
    try {
        if (rest.value(0) == u"--version"_s) {
            Output::line(ToolName + u' ' +
                         VersionRecord::GetPropertyValue(QCoreApplication::applicationFilePath(),
                                                         u"FileVersion"_s));
            return Success;
        }
        return dispatch(ToolName, Description, commands(), rest);
    } catch (const UsageError &e) {
        Output::error(u"%1: %2 (see '%1 --help')"_s.arg(e.command(), e.message()));
        return UsageFailure;
    } catch (const KorvantError &e) {
        // One line, whatever the text: scripts read the last line of standard error.
        QString message = e.message();
        message.replace(u'\n', u' ');
        Output::error(ToolName + u": "_s + message);
        return Failure;
    }
}

} // namespace Cli
