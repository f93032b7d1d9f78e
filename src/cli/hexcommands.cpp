#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "firmware/hexlisting.h"
#include "firmware/intelhex.h"
#include "link/memoryimage.h"
#include "platform/korvanterror.h"
#include "platform/textencoding.h"

using namespace Qt::Literals::StringLiterals;

namespace Cli {

namespace {

// The file's lines as the hex memo holds them once the Firmware Upgrade page has loaded it.
QStringList hexLines(const QString &path)
{
    return MemoryImage::lines(TextEncoding::readTextFile(path));
}

} // namespace

int runHexCheck(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"Checks an Intel HEX file: record syntax, byte counts, checksums, "
                            "record types and the end-of-file record. Prints \"ok\" and the "
                            "number of records, or says what is wrong with the first bad line "
                            "(exit status 1)."_s);
    args.addPositional(u"FILE"_s, u"The Intel HEX file."_s);
    if (!args.parse(arguments))
        return Success;
    const IntelHex::CheckResult result = IntelHex::check(hexLines(args.positional(0)));
    if (!result.ok)
        throw KorvantError(result.message());
    Output::line(u"ok, %1 records"_s.arg(result.records));
    return Success;
}

int runHex2Asm(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"The assembler listing of an Intel HEX file, as the Special page "
                            "makes it: one \"dw\" line a record after the first, with the word "
                            "address as a comment. A line that cannot be converted ends the "
                            "listing (exit status 1) after the lines before it."_s);
    args.addPositional(u"FILE"_s, u"The Intel HEX file."_s);
    if (!args.parse(arguments))
        return Success;
    const HexListing::Result listing = HexListing::fromHexLines(hexLines(args.positional(0)));
    for (const QString &line : listing.lines)
        Output::line(line);
    if (!listing.error.isEmpty())
        throw KorvantError(listing.error);
    return Success;
}

} // namespace Cli
