#include "platform/textencoding.h"

#include "platform/korvanterror.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace TextEncoding {

namespace {

constexpr char Utf8Mark[] = "\xEF\xBB\xBF";
constexpr char Utf16LEMark[] = "\xFF\xFE";
constexpr char Utf16BEMark[] = "\xFE\xFF";

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; 0 marks its five unused codes.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString fromCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        const char16_t high = (b >= 0x80 && b < 0xA0) ? cp1252High[b - 0x80] : 0;
        text[i] = QChar(high ? high : char16_t(b));
    }
    return text;
}

char cp1252Byte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    // The five codes Windows-1252 leaves unused were read as themselves; they go back so.
    if (u >= 0x80 && u < 0xA0 && cp1252High[u - 0x80] == 0)
        return char(u);
    for (int i = 0; i < 32; ++i) {
        if (cp1252High[i] == u)
            return char(0x80 + i);
    }
    return '?';
}

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    // The mark has been taken off: a second one is text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless |
                                         QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QByteArray withMark(QByteArray mark, QStringConverter::Encoding encoding, QStringView text)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return mark + QByteArray(encoder.encode(text));
}

QByteArray toCp1252(QStringView text, int *unrepresentable)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char b = cp1252Byte(text.at(i));
        bytes.append(b);
        if (b != '?' || text.at(i) == u'?')
            continue;
        if (unrepresentable)
            ++*unrepresentable;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one character, one "?"
    }
    return bytes;
}

} // namespace

Decoded decode(QByteArrayView bytes)
{
    if (bytes.startsWith(Utf8Mark))
        return {decodeWith(QStringConverter::Utf8, bytes.sliced(3)), Encoding::Utf8};
    if (bytes.startsWith(Utf16LEMark))
        return {decodeWith(QStringConverter::Utf16LE, bytes.sliced(2)), Encoding::Utf16LE};
    if (bytes.startsWith(Utf16BEMark))
        return {decodeWith(QStringConverter::Utf16BE, bytes.sliced(2)), Encoding::Utf16BE};
    return {fromCp1252(bytes), Encoding::Ansi};
}

QByteArray encode(QStringView text, Encoding encoding, int *unrepresentable)
{
    switch (encoding) {
    case Encoding::Utf8:
        return withMark(Utf8Mark, QStringConverter::Utf8, text);
    case Encoding::Utf16LE:
        return withMark(Utf16LEMark, QStringConverter::Utf16LE, text);
    case Encoding::Utf16BE:
        return withMark(Utf16BEMark, QStringConverter::Utf16BE, text);
    case Encoding::Ansi:
        break;
    }
    return toCp1252(text, unrepresentable);
}

QString withCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out.append(u"\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out.append(u"\r\n");
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray readFileBytes(const QString &path, qint64 maxBytes, const QString &kind)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KorvantError(u"Cannot open file \"%1\". %2"_s.arg(shown, file.errorString()));
    // Refused before it is read: a file this large was chosen by mistake.
    if (file.size() > maxBytes) {
        throw KorvantError(u"The file \"%1\" is %2 bytes long, too long for a %3."_s.arg(shown)
                               .arg(file.size())
                               .arg(kind));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KorvantError(u"Cannot read file \"%1\". %2"_s.arg(shown, file.errorString()));
    return bytes;
}

QString readTextFile(const QString &path)
{
    return withCrLf(decode(readFileBytes(path, MaxTextFileBytes, u"hex file"_s)).text);
}

} // namespace TextEncoding
