#include "cvdecoder.h"

CvDecoder::CvDecoder(QMap<int, int> values) : m_values(std::move(values)) {}

int CvDecoder::value(int cv) const
{
    return m_values.value(cv, defaultValue(cv)) & 0xFF;
}

int CvDecoder::defaultValue(int cv)
{
    switch (cv) {
    case 1: // short address
        return 3;
    case 7: // version
        return 0x2A;
    case 8: // maker
        return 0x0D;
    case 29: // configuration: 28 steps, analogue off
        return 0x06;
    default:
        return (cv * 7 + 3) & 0xFF;
    }
}
