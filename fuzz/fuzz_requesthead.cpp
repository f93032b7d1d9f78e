// The browser throttle's request reader on any bytes: one state for the bytes as they stand; a
// head is complete only up to its first blank line, within 1 KiB, and stays so whatever follows
// it, while every shorter piece of it is still arriving; what it read holds no line break, no
// NUL and no other control character, so Qt's server reads the same head.
#include "fuzzcheck.h"
#include "remote/requesthead.h"

#include <algorithm>

namespace {

using State = RequestHead::Reading::State;

bool clean(QByteArrayView text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t') || u == 0x7f;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = Fuzz::bytes(data, size);
    const RequestHead::Reading reading = RequestHead::read(bytes);
    FUZZ_CHECK((reading.state == State::Malformed) == !reading.error.isEmpty());
    switch (reading.state) {
    case State::Incomplete:
        FUZZ_CHECK(bytes.size() < RequestHead::Cap && !bytes.contains("\r\n\r\n"));
        return 0;
    case State::TooLarge:
        FUZZ_CHECK(bytes.size() >= RequestHead::Cap);
        return 0;
    case State::Malformed:
        return 0;
    case State::Complete:
        break;
    }
    const RequestHead::Head &head = reading.head;
    FUZZ_CHECK(head.size <= RequestHead::Cap && head.size <= bytes.size());
    FUZZ_CHECK(bytes.first(head.size).endsWith("\r\n\r\n"));
    FUZZ_CHECK(bytes.first(head.size).indexOf("\r\n\r\n") == head.size - 4);
    FUZZ_CHECK(head.target.startsWith('/') && !head.method.isEmpty());
    FUZZ_CHECK(head.contentLength >= 0);
    FUZZ_CHECK(clean(head.method) && clean(head.target) && clean(head.version));
    for (const auto &[name, value] : head.fields) {
        FUZZ_CHECK(!name.isEmpty() && clean(name) && clean(value));
        FUZZ_CHECK(!name.contains(':') && !name.contains(' ') && name == name.toLower());
    }
    FUZZ_CHECK(RequestHead::read(bytes.first(head.size - 1)).state == State::Incomplete);
    const RequestHead::Reading whole = RequestHead::read(bytes.first(head.size));
    FUZZ_CHECK(whole.state == State::Complete && whole.head.size == head.size &&
               whole.head.fields == head.fields && whole.head.target == head.target);
    return 0;
}
