#include "link/hexdigits.h"

#include "platform/korvanterror.h"

using namespace Qt::Literals::StringLiterals;

namespace HexDigits {

std::optional<int> fieldValue(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 7)
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        const int digit = digitValue(c.unicode());
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

QString byteText(int value)
{
    QString text;
    appendByte(text, value);
    return text;
}

QString usbIdText(quint16 id)
{
    QString text(4, u'0');
    for (int i = 3; i >= 0; --i, id >>= 4)
        text[i] = QChar(u"0123456789abcdef"[id & 0xF]);
    return text;
}

void appendByte(QString &text, int value)
{
    text.append(QChar(upperDigit(value >> 4)));
    text.append(QChar(upperDigit(value)));
}

KorvantError conversionError(QStringView text)
{
    return KorvantError(u"'%1' is not a valid integer value"_s.arg(text));
}

KorvantError notAnInteger(QStringView field)
{
    return conversionError(QString(u"$"_s + field));
}

} // namespace HexDigits
