#include "link/memoryimage.h"

using namespace Qt::Literals::StringLiterals;

namespace MemoryImage {

namespace {

constexpr int DigitsPerLine = 2 * BytesPerLine;
constexpr qsizetype PaddedDigits = 2 * ImageBytes;
constexpr qsizetype EmptiedLine = LineCount; // the 17th line, index 16

void emptyLine(QString &text, qsizetype index)
{
    qsizetype start = 0;
    for (qsizetype line = 0; line < index; ++line) {
        start = text.indexOf(u"\r\n", start);
        if (start < 0)
            return;
        start += 2;
    }
    const qsizetype end = text.indexOf(u"\r\n", start);
    text.remove(start, (end < 0 ? text.size() : end) - start);
}

} // namespace

QString text(QStringView hexDigits)
{
    QString digits = hexDigits.toString();
    // Padding stops at 511 or 512 digits: an odd-length text stays odd.
    while (digits.size() <= PaddedDigits - 2)
        digits.append(u"00");
    QString memo;
    memo.reserve(TextLength + digits.size());
    memo.append(u':');
    for (qsizetype i = 1; i <= digits.size(); ++i) {
        memo.append(digits.at(i - 1));
        if (i % DigitsPerLine == 0)
            memo.append(u"\r\n:");
        else if (i % 2 == 0)
            memo.append(u',');
    }
    emptyLine(memo, EmptiedLine);
    return memo;
}

QStringList lines(QStringView text)
{
    QStringList result;
    for (const QStringView line : text.split(u"\r\n"))
        result.append(line.toString());
    if (!result.isEmpty() && result.constLast().isEmpty())
        result.removeLast();
    return result;
}

} // namespace MemoryImage

QString DeleteCRLF(QStringView s)
{
    QString result = s.toString();
    result.replace(u"\r\n"_s, u" "_s);
    return result;
}
