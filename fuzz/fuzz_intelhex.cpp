// The Intel HEX check on any file's bytes: a verdict that agrees with itself, whatever the file.
#include "firmware/intelhex.h"
#include "fuzzcheck.h"
#include "hexfilelines.h"

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = Fuzz::hexFileLines(Fuzz::bytes(data, size));
    const IntelHex::CheckResult result = IntelHex::check(lines);
    FUZZ_CHECK(result.badLine >= 0 && result.badLine <= lines.size());
    FUZZ_CHECK(result.records >= 0 && result.records <= lines.size());
    if (result.ok) {
        FUZZ_CHECK(result.badLine == 0 && result.records == lines.size());
        FUZZ_CHECK(result.message().isEmpty());
        FUZZ_CHECK(lines.constLast() == u":00000001FF"_s || lines.constLast().startsWith(u':'));
    } else {
        FUZZ_CHECK(!result.message().isEmpty());
        FUZZ_CHECK(result.badLine == 0 || result.records == result.badLine - 1);
    }
    return 0;
}
