#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The memory image text: a 256-byte station memory image as 16 lines of ":" and 16 two-digit
// bytes separated by ",", each line ended by CR LF. The turnout table and the CV sequence both
// travel in this form.
namespace MemoryImage {

inline constexpr int ImageBytes = 256;
inline constexpr int BytesPerLine = 16;
inline constexpr int LineCount = ImageBytes / BytesPerLine;
inline constexpr int LineLength = 1 + 3 * BytesPerLine - 1;     // 48
inline constexpr int TextLength = LineCount * (LineLength + 2); // 800

// The text ShowMemoReceived puts into its memo for a string of hex digits: padded with "00"
// to 256 bytes, listed 16 bytes a line, and the 17th line emptied. The digits are taken as they
// stand (no case change, no check). A listing longer than 256 bytes keeps its lines, except that
// the 17th is emptied too: none of the program's own listings is that long.
QString text(QStringView hexDigits);

// The lines of a memory image text without their CR LF, as a memo holds them (a trailing empty
// line is not a line).
QStringList lines(QStringView text);

} // namespace MemoryImage

// s with every CR LF pair replaced by one blank, left to right; a lone CR or LF stays.
QString DeleteCRLF(QStringView s);
