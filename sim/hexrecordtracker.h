#pragma once

// Tells when an Intel HEX record has fully arrived. In the direct upload modes the lines come
// without terminators, so the record's own byte count is the only way to know a line is done:
// ":" + count (2 digits) + address (4) + type (2) + 2 × count data digits + checksum (2).
class HexRecordTracker final
{
public:
    enum class Result
    {
        Pending,
        Complete,
        Malformed
    };

    // Characters outside a record (CR, LF, anything before ":") are passed over. A character
    // that cannot belong to the record, or a ":" before it is complete, ends it as malformed.
    Result take(char c);

private:
    bool m_inRecord = false;
    int m_digits = 0;
    int m_count = 0;
};
