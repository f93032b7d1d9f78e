#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text files as the station's users keep them: a byte-order mark selects UTF-8 or UTF-16;
// without one the text is in the 8-bit code page of the systems the files come from
// (Windows-1252), whatever this machine's own locale is.
namespace TextEncoding {

enum class Encoding
{
    Ansi,
    Utf8,
    Utf16LE,
    Utf16BE
};

struct Decoded
{
    QString text;
    Encoding encoding = Encoding::Ansi;
};

// A mark is taken off; anything after it is text, a second mark included.
Decoded decode(QByteArrayView bytes);
// Writes the mark of a UTF encoding first. Characters that Windows-1252 lacks become "?" (one
// for a character outside the basic plane too), counted in *unrepresentable when it is given.
QByteArray encode(QStringView text, Encoding encoding, int *unrepresentable = nullptr);

// Every line break (CR LF, lone LF or lone CR) as CR LF.
QString withCrLf(const QString &text);

// A whole PIC16F1938 image is some 45 KB of hex text; a file this large was chosen by mistake
// and would only bury the memo (the server's hex files have the same cap).
inline constexpr qint64 MaxTextFileBytes = 4 * 1024 * 1024;

// A file's bytes. Fails with "Cannot open file ...", "Cannot read file ..." and for a file
// larger than maxBytes ("The file ... is n bytes long, too long for a <kind>.").
QByteArray readFileBytes(const QString &path, qint64 maxBytes, const QString &kind);

// A text file as the pages load it (a hex file into its memo): decoded, every line break CR LF;
// at most MaxTextFileBytes.
QString readTextFile(const QString &path);

} // namespace TextEncoding
