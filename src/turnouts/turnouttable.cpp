#include "turnouts/turnouttable.h"

#include "link/hexdigits.h"
#include "link/memoryimage.h"
#include "platform/korvanterror.h"
#include "turnouts/turnoutsignature.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int SkippedCharacters = 21; // ":03,04,05,06,0F,04,0A"
constexpr int DumpBytes = 248;
constexpr int DumpBytesPerLine = 16;
const QString DumpLineStart = u"\r\n\t\tde\t0x"_s;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The station's tools read a hex digit as its value, or any letter as its code minus 55.
int pairDigit(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - u'0';
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return c.unicode() - 55;
    throw HexDigits::conversionError(QStringView(&c, 1));
}

bool isSeparator(QChar c)
{
    return c == u' ' || c == u',' || c == u'|' || c == u'C';
}

bool isOpenMark(QChar c)
{
    return c == u'/' || c == u'R' || c == u'O' || c == u'T';
}

} // namespace

TurnoutEntry TurnoutEntry::fromByte(int value)
{
    if (value > 0x80)
        return {value - 0x80, true};
    return {value, false};
}

QString TurnoutEntry::text() const
{
    const QString entry =
        QString::number(number).rightJustified(2, u'0') + (open ? u'/' : u'|') + u' ';
    return entry.left(4);
}

namespace TurnoutTable {

QChar groupLetter(int group)
{
    return QChar(u'A' + group - 1);
}

Groups decode(QStringView memoryImageText)
{
    QString digitString;
    digitString.reserve(memoryImageText.size());
    for (const QChar c : memoryImageText.mid(qMin(memoryImageText.size(), SkippedCharacters))) {
        if (c != u',' && c != u':' && c != u'\r' && c != u'\n')
            digitString.append(c);
    }
    Groups groups;
    int group = 0;
    for (qsizetype i = 2; i + 1 < digitString.size() && group < GroupCount; i += 2) {
        const QChar high = digitString.at(i);
        const QChar low = digitString.at(i + 1);
        if (high == u'0' && low == u'0') {
            ++group;
            continue;
        }
        // Read in order, so that of two stray characters the first is the one named.
        const int highValue = pairDigit(high);
        groups[group].append(TurnoutEntry::fromByte(highValue * 16 + pairDigit(low)));
    }
    return groups;
}

QString groupText(const TurnoutGroup &group)
{
    QString text;
    for (const TurnoutEntry &entry : group)
        text += entry.text();
    return text;
}

TurnoutGroup parseRow(QStringView row, QChar group)
{
    TurnoutGroup entries;
    qsizetype i = 0;
    while (i < row.size()) {
        if (isSeparator(row.at(i))) {
            ++i;
            continue;
        }
        if (i + 1 >= row.size()) {
            throw KorvantError(u"Group %1: the row ends in \"%2\", which is not a whole entry "
                               "(two digits and a mark). Nothing was exported."_s.arg(group)
                                   .arg(row.mid(i)));
        }
        const QStringView number = row.mid(i, 2);
        if (!isAsciiDigit(number.at(0)) || !isAsciiDigit(number.at(1)))
            throw HexDigits::conversionError(number);
        const bool hasMark = i + 2 < row.size();
        entries.append({number.toInt(), hasMark && isOpenMark(row.at(i + 2))});
        i += hasMark ? 3 : 2;
    }
    return entries;
}

QString digits(const Groups &groups)
{
    qsizetype entries = 0;
    for (const TurnoutGroup &group : groups)
        entries += group.size();
    if (entries > MaxEntries) {
        throw KorvantError(u"The turnout table holds at most %1 entries; these groups have %2. "
                           "Nothing was exported."_s.arg(MaxEntries)
                               .arg(entries));
    }
    QString text = u"00"_s;
    text.reserve(2 * (FixedBytes + entries));
    for (const TurnoutGroup &group : groups) {
        for (const TurnoutEntry &entry : group)
            HexDigits::appendByte(text, entry.byte());
        text += u"00"_s;
    }
    return text;
}

QString digitsFromRows(const Rows &rows)
{
    Groups groups;
    for (int n = 1; n <= GroupCount; ++n) {
        if (const std::optional<QString> &row = rows[n - 1])
            groups[n - 1] = parseRow(*row, groupLetter(n));
    }
    return digits(groups);
}

QString memoryImageText(QStringView digits)
{
    return MemoryImage::text(QString(TurnoutSignature::SignatureDigits.toString() + digits));
}

QString asmDump(QStringView digits)
{
    QString padded = digits.toString();
    while (padded.size() < 2 * DumpBytes)
        padded += u"00"_s;
    const qsizetype bytes = (padded.size() + 1) / 2;
    QString text = u"SeqMem"_s + DumpLineStart;
    text.reserve(text.size() + bytes * 6);
    for (qsizetype position = 1; position <= bytes; ++position) {
        text += padded.mid(2 * (position - 1), 2);
        if (position % DumpBytesPerLine == 0)
            text += DumpLineStart;
        else if (position < bytes)
            text += u",0x"_s;
    }
    return text;
}

} // namespace TurnoutTable
