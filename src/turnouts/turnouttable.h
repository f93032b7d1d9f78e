#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// One route entry of a turnout group: a number and its direction. On the wire an entry is one
// byte, the number for CLOSE and the number + 0x80 for OPEN.
struct TurnoutEntry
{
    int number = 0;
    bool open = false;

    // A byte above 0x80 is OPEN; anything else is CLOSE with the byte as its number, so 0x80
    // reads back as CLOSE 128.
    static TurnoutEntry fromByte(int value);
    int byte() const { return open ? number + 0x80 : number; }
    // As the decoder page shows it: "05/ ", "07| ", "128|" (at most four characters).
    QString text() const;

    friend bool operator==(const TurnoutEntry &, const TurnoutEntry &) = default;
};

using TurnoutGroup = QList<TurnoutEntry>;

// The station's turnout table: 26 groups A to Z in a 256-byte memory image (the signature,
// a zero byte, each group's entry bytes and its 0x00 terminator, zeros to the end), carried
// as a memory image text.
namespace TurnoutTable {

inline constexpr int GroupCount = 26;
inline constexpr int ImageBytes = 256;
// The signature, the zero byte after it and the 26 terminators.
inline constexpr int FixedBytes = 7 + 1 + GroupCount;
inline constexpr int MaxEntries = ImageBytes - FixedBytes; // 222

using Groups = std::array<TurnoutGroup, GroupCount>;
// The row texts of the encoder page; an unchecked group has none.
using Rows = std::array<std::optional<QString>, GroupCount>;

// "A" for group 1 … "Z" for group 26.
QChar groupLetter(int group);

// Reads the groups out of a memory image text. The first 21 characters (the signature line's
// start) are skipped unread; "," ":" CR and LF are dropped; then byte pairs follow the zero
// byte, "00" ending a group, until group Z ends or the text does. A digit counts its value,
// any ASCII letter its code minus 55 (so lower case reads wrongly; the program writes only
// upper case); any other character fails with the conversion error, before anything is
// returned. A single digit left at the very end is not a byte and is ignored.
Groups decode(QStringView memoryImageText);

// A group's entries as the decoder page shows them: "05/ 07| 12/ ".
QString groupText(const TurnoutGroup &group);

// One encoder row: separators " " "," "|" "C" where an entry may start; an entry is two
// decimal digits and a mark, "/" "R" "O" "T" for OPEN and anything else for CLOSE; a last
// entry may go without its mark. Fails with the conversion error for a number that is not two
// digits, and refuses a row ending in a single character (named with its group letter).
TurnoutGroup parseRow(QStringView row, QChar group);

// The hex digits of everything after the signature: "00", then each group's entry bytes and
// its terminator. Refuses a table of more than MaxEntries entries, which would not fit.
QString digits(const Groups &groups);
// Export: parses the checked rows and compiles them; nothing is returned if any row fails.
QString digitsFromRows(const Rows &rows);
// The memory image text of the whole table, signature included.
QString memoryImageText(QStringView digits);

// The table data as assembler source: the label "SeqMem", then "de" lines of 16 bytes written
// "0xHH", the digits padded with "00" to 248 bytes.
QString asmDump(QStringView digits);

} // namespace TurnoutTable
