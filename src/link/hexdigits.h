#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class KorvantError;

// The one place where hexadecimal digits are read and written. The station reads either case;
// the program always writes upper case, two digits per byte.
namespace HexDigits {

// Value of one digit "0"-"9", "A"-"F" or "a"-"f"; -1 for anything else.
constexpr int digitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

constexpr bool isDigit(char16_t c)
{
    return digitValue(c) >= 0;
}

// Upper-case digit of a value 0..15.
constexpr char16_t upperDigit(int nibble)
{
    return u"0123456789ABCDEF"[nibble & 0xF];
}

// Value of a field of one or more digits; nothing when the field is empty, holds anything but
// digits, or is too long to fit an int.
std::optional<int> fieldValue(QStringView digits);

// Two upper-case digits, zero-filled: 10 -> "0A". Only the low eight bits count.
QString byteText(int value);
void appendByte(QString &text, int value);

// Four lower-case digits, zero-filled, as USB vendor and product ids are shown: 0x403 -> "0403".
QString usbIdText(quint16 id);

// The conversion error of a text that is not a number, worded as the users know it from the
// turnout and CV pages: "'%s' is not a valid integer value".
KorvantError conversionError(QStringView text);
// The same for a hexadecimal field, which is named with its "$" prefix.
KorvantError notAnInteger(QStringView field);

} // namespace HexDigits
