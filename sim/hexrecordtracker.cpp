#include "hexrecordtracker.h"

#include "link/hexdigits.h"

namespace {

constexpr int CountDigits = 2;
constexpr int FixedDigits = CountDigits + 4 + 2 + 2;

} // namespace

HexRecordTracker::Result HexRecordTracker::take(char c)
{
    if (c == ':') {
        const bool cutShort = m_inRecord;
        m_inRecord = true;
        m_digits = m_count = 0;
        return cutShort ? Result::Malformed : Result::Pending;
    }
    if (!m_inRecord)
        return Result::Pending;
    const int digit = HexDigits::digitValue(char16_t(static_cast<unsigned char>(c)));
    if (digit < 0) {
        m_inRecord = false;
        return Result::Malformed;
    }
    if (++m_digits <= CountDigits)
        m_count = m_count * 16 + digit;
    if (m_digits >= CountDigits && m_digits == FixedDigits + 2 * m_count) {
        m_inRecord = false;
        return Result::Complete;
    }
    return Result::Pending;
}
