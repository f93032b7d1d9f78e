#include "firmware/hexlisting.h"

#include "link/hexdigits.h"
#include "platform/korvanterror.h"

using namespace Qt::Literals::StringLiterals;

namespace HexListing {

namespace {

// 1-based positions of the record's fields.
constexpr qsizetype CountAt = 2;
constexpr qsizetype AddressAt = 4;
constexpr qsizetype DataAt = 10;

int field(QStringView line, qsizetype position, qsizetype length)
{
    const QStringView digits = line.mid(position - 1, length);
    const std::optional<int> value = HexDigits::fieldValue(digits);
    if (!value || digits.size() != length)
        throw HexDigits::notAnInteger(digits);
    return *value;
}

QString listingLine(QStringView line, int lineNumber)
{
    const int words = field(line, CountAt, 2) / 2;
    const qsizetype needed = DataAt - 1 + 4 * qsizetype(words);
    if (line.size() < needed) {
        throw KorvantError(
            u"Line %1 holds %2 characters; its byte count needs %3."_s.arg(lineNumber)
                .arg(line.size())
                .arg(needed));
    }
    QString out = u"\tdw  "_s;
    for (int w = 0; w < words; ++w) {
        const qsizetype at = DataAt - 1 + 4 * w; // 0-based start of the word's first byte
        out += u"0x"_s + line.mid(at + 2, 2) + line.mid(at, 2) + u',';
    }
    out.chop(1);
    const int wordAddress = field(line, AddressAt, 4) / 2;
    out +=
        u"  ; \t\\x"_s + HexDigits::byteText(wordAddress >> 8) + HexDigits::byteText(wordAddress);
    return out;
}

} // namespace

Result fromHexLines(const QStringList &hexLines)
{
    Result result;
    for (qsizetype i = 1; i < hexLines.size(); ++i) {
        try {
            result.lines.append(listingLine(hexLines.at(i), int(i + 1)));
        } catch (const KorvantError &e) {
            result.error = e.message();
            break;
        }
    }
    return result;
}

} // namespace HexListing
