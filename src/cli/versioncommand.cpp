#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/korvanterror.h"
#include "platform/versionrecord.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace Cli {

int runVersionOf(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"One value of the version record of a program file (korvant, "
                            "korvant.old, a downloaded korvant.new); an empty line when the file "
                            "carries no such value."_s);
    args.addPositional(u"FILE"_s, u"The program file."_s);
    args.addPositional(u"KEY"_s, u"The value's name (default FileVersion; UpdateURL, ...)."_s,
                       false);
    if (!args.parse(arguments))
        return Success;
    const QString path = args.positional(0);
    // The record reader gives the empty text for a missing file too; here that is a failure.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KorvantError(u"Cannot open file \"%1\". %2"_s.arg(path, file.errorString()));
    Output::line(VersionRecord::GetPropertyValue(path, args.positional(1, u"FileVersion"_s)));
    return Success;
}

} // namespace Cli
