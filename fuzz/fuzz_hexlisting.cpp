// The assembler listing of any hex file's lines: one listing line a record after the first, up
// to the first line that cannot be converted, which is named.
#include "firmware/hexlisting.h"
#include "fuzzcheck.h"
#include "hexfilelines.h"

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = Fuzz::hexFileLines(Fuzz::bytes(data, size));
    const HexListing::Result result = HexListing::fromHexLines(lines);
    const qsizetype records = qMax<qsizetype>(0, lines.size() - 1);
    if (result.error.isEmpty())
        FUZZ_CHECK(result.lines.size() == records);
    else
        FUZZ_CHECK(result.lines.size() < records);
    for (const QString &line : result.lines)
        FUZZ_CHECK(line.startsWith(u"\tdw "_s));
    return 0;
}
