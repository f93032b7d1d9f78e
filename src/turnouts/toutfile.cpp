#include "turnouts/toutfile.h"

#include "platform/korvanterror.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace ToutFile {

namespace {

constexpr qint64 MaxFileBytes = 1024 * 1024;

constexpr char Utf8Mark[] = "\xEF\xBB\xBF";
constexpr char Utf16LEMark[] = "\xFF\xFE";
constexpr char Utf16BEMark[] = "\xFE\xFF";

bool codePageAvailable()
{
    static const bool available = QStringDecoder("windows-1252").isValid();
    return available;
}

QString normaliseLineEnds(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    return text;
}

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    // The mark has been taken off: anything after it is text, a second mark included.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QStringDecoder codePageDecoder()
{
    return codePageAvailable() ? QStringDecoder("windows-1252")
                               : QStringDecoder(QStringConverter::Latin1);
}

// The code page backwards: character to byte, built once from the decoder's 256 characters.
const QHash<char16_t, char> &codePageBytes()
{
    static const QHash<char16_t, char> bytes = [] {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QStringDecoder decoder = codePageDecoder();
        const QString chars = decoder.decode(all);
        QHash<char16_t, char> map;
        for (qsizetype b = 0; b < chars.size() && b < 256; ++b)
            map.insert(chars.at(b).unicode(), char(b));
        return map;
    }();
    return bytes;
}

// One byte a character; a character the code page has no byte for becomes "?", as the
// 8-bit conversion of the station's users' systems writes it.
QByteArray toCodePage(QStringView text, int &unrepresentable)
{
    const QHash<char16_t, char> &bytesOf = codePageBytes();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto found = bytesOf.constFind(text.at(i).unicode());
        if (found != bytesOf.constEnd()) {
            bytes.append(*found);
            continue;
        }
        bytes.append('?');
        ++unrepresentable;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one character, one "?"
    }
    return bytes;
}

QByteArray withMark(const char *mark, QStringConverter::Encoding encoding, QStringView text)
{
    QStringEncoder encoder(encoding);
    QByteArray bytes(mark);
    bytes.append(QByteArray(encoder.encode(text)));
    return bytes;
}

} // namespace

QString codePageName()
{
    return codePageAvailable() ? u"windows-1252"_s : u"ISO-8859-1"_s;
}

Read decode(QByteArrayView bytes)
{
    if (bytes.startsWith(Utf8Mark))
        return {normaliseLineEnds(decodeWith(QStringConverter::Utf8, bytes.sliced(3))),
                Encoding::Utf8};
    if (bytes.startsWith(Utf16LEMark))
        return {normaliseLineEnds(decodeWith(QStringConverter::Utf16LE, bytes.sliced(2))),
                Encoding::Utf16LE};
    if (bytes.startsWith(Utf16BEMark))
        return {normaliseLineEnds(decodeWith(QStringConverter::Utf16BE, bytes.sliced(2))),
                Encoding::Utf16BE};
    QStringDecoder decoder = codePageDecoder();
    return {normaliseLineEnds(decoder.decode(bytes)), Encoding::CodePage};
}

Written encode(QStringView text, Encoding encoding)
{
    Written written;
    switch (encoding) {
    case Encoding::CodePage:
        written.bytes = toCodePage(text, written.unrepresentable);
        break;
    case Encoding::Utf8:
        written.bytes = withMark(Utf8Mark, QStringConverter::Utf8, text);
        break;
    case Encoding::Utf16LE:
        written.bytes = withMark(Utf16LEMark, QStringConverter::Utf16LE, text);
        break;
    case Encoding::Utf16BE:
        written.bytes = withMark(Utf16BEMark, QStringConverter::Utf16BE, text);
        break;
    }
    return written;
}

QByteArray readFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KorvantError(u"Cannot open file \"%1\". %2"_s.arg(shown, file.errorString()));
    if (file.size() > MaxFileBytes) {
        throw KorvantError(
            u"The file \"%1\" is %2 bytes long, too long for a turnout file."_s.arg(shown).arg(
                file.size()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KorvantError(u"Cannot read file \"%1\". %2"_s.arg(shown, file.errorString()));
    return bytes;
}

} // namespace ToutFile
