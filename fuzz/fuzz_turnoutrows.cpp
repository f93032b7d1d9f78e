// The encoder page's row syntax: up to 26 rows of any text, checked or not. Export either
// refuses with a message or gives a table that decodes back to the rows' entries (an entry
// numbered 0 ends its group early, as the station reads it, so such tables are not compared).
#include "fuzzcheck.h"
#include "platform/korvanterror.h"
#include "turnouts/turnouttable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    TurnoutTable::Rows rows;
    TurnoutTable::Groups parsed;
    bool rowsParse = true;
    for (int n = 1; n <= TurnoutTable::GroupCount && input.remaining_bytes() > 0; ++n) {
        const bool checked = input.ConsumeBool();
        const QString row = QString::fromLatin1(input.ConsumeRandomLengthString(300));
        if (!checked)
            continue;
        rows[n - 1] = row;
        try {
            parsed[n - 1] = TurnoutTable::parseRow(row, TurnoutTable::groupLetter(n));
        } catch (const KorvantError &) {
            rowsParse = false;
        }
    }
    QString digits;
    try {
        digits = TurnoutTable::digitsFromRows(rows);
    } catch (const KorvantError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
        return 0;
    }
    FUZZ_CHECK(rowsParse);
    FUZZ_CHECK(digits.size() % 2 == 0 && digits.size() <= 2 * (TurnoutTable::ImageBytes - 7));
    bool zeroEntry = false;
    for (const TurnoutGroup &group : parsed) {
        for (const TurnoutEntry &entry : group) {
            FUZZ_CHECK(entry.number >= 0 && entry.number <= 99);
            zeroEntry = zeroEntry || entry.number == 0;
        }
    }
    if (!zeroEntry)
        FUZZ_CHECK(TurnoutTable::decode(TurnoutTable::memoryImageText(digits)) == parsed);
    return 0;
}
