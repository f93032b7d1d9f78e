// The loco status decoder on any packet content the framer can hand over: either nothing (not
// 28 characters), the conversion error, or a status that encodes back to the same digits.
#include "fuzzcheck.h"
#include "loco/locostatus.h"
#include "platform/korvanterror.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString packet = QString::fromLatin1(Fuzz::bytes(data, size));
    std::optional<LocoStatus> status;
    try {
        status = decodeLocoStatus(packet);
    } catch (const KorvantError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
        return 0;
    }
    if (!status) {
        FUZZ_CHECK(packet.size() != LocoStatus::PacketLength);
        return 0;
    }
    FUZZ_CHECK(encodeLocoStatus(*status) == packet.toUpper());
    for (int loco = 1; loco <= LocoStatus::LocoCount; ++loco) {
        const int maximum = speedSliderMaximum(status->speedSteps, loco);
        FUZZ_CHECK(maximum == 14 || maximum == 31 || maximum == 128);
        locoCaption(status->addresses[loco - 1], status->speeds[loco - 1]);
    }
    return 0;
}
