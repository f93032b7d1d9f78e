// The browser throttle's messages from any page: a message is a request or refused with a
// reason, never both; what is taken formats back to itself; nothing over 4 KiB is taken; and a
// request, applied, sends at most one of the Link page's instructions.
#include "fuzzcheck.h"
#include "remote/throttlemessages.h"

#include <QStringList>

namespace {

// Slot 1: loco 3 at 12 of 31, headlight on; the others as the status packet says.
const QString Packet = QStringLiteral("030405820C00400049021001001F");

bool isInstruction(const QString &text)
{
    return text.size() == 5 && text.front() == u':';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView message = Fuzz::bytes(data, size);
    const ThrottleMessages::Parsed parsed = ThrottleMessages::parse(message);
    FUZZ_CHECK(parsed.request.has_value() == parsed.error.isEmpty());
    if (!parsed.request)
        return 0;
    FUZZ_CHECK(message.size() <= ThrottleMessages::MessageCap);
    const ThrottleMessages::Request request = *parsed.request;
    FUZZ_CHECK(request.slot >= 0 && request.slot <= RemoteThrottle::SlotCount);
    const ThrottleMessages::Parsed again =
        ThrottleMessages::parse(ThrottleMessages::format(request));
    FUZZ_CHECK(again.request && *again.request == request);

    QStringList sent;
    RemoteThrottle throttle([&sent](const QString &instruction) { sent.append(instruction); });
    throttle.setLinkOpen(true);
    throttle.applyStatusPacket(Packet);
    ThrottleMessages::apply(throttle, request);
    FUZZ_CHECK(sent.size() <= 1);
    for (const QString &instruction : sent)
        FUZZ_CHECK(isInstruction(instruction));
    return 0;
}
