// The turnout memory image decoder on any text (a received table, a loaded .tout file, the
// memo as the user left it): the conversion error or groups; groups whose entries are bytes
// encode to a table that decodes back to them.
#include "fuzzcheck.h"
#include "platform/korvanterror.h"
#include "turnouts/turnouttable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(Fuzz::bytes(data, size));
    TurnoutTable::Groups groups;
    try {
        groups = TurnoutTable::decode(text);
    } catch (const KorvantError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
        return 0;
    }
    qsizetype entries = 0;
    bool bytesOnly = true;
    for (const TurnoutGroup &group : groups) {
        entries += group.size();
        TurnoutTable::groupText(group);
        for (const TurnoutEntry &entry : group)
            bytesOnly = bytesOnly && entry.byte() > 0 && entry.byte() <= 0xFF;
    }
    FUZZ_CHECK(entries <= text.size() / 2);
    if (!bytesOnly || entries > TurnoutTable::MaxEntries)
        return 0;
    const QString digits = TurnoutTable::digits(groups);
    TurnoutTable::asmDump(digits);
    FUZZ_CHECK(TurnoutTable::decode(TurnoutTable::memoryImageText(digits)) == groups);
    return 0;
}
