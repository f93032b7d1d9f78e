#include "platform/textencoding.h"

#include "platform/korvanterror.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace TextEncoding {

namespace {

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

char toCp1252(QChar c)
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
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray utf16(QStringConverter::Encoding encoding, const QString &text)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace

Decoded decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3)),
                Encoding::Utf8};
    if (bytes.startsWith("\xFF\xFE"))
        return {decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2)),
                Encoding::Utf16LE};
    if (bytes.startsWith("\xFE\xFF"))
        return {decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2)),
                Encoding::Utf16BE};
    return {fromCp1252(bytes), Encoding::Ansi};
}

QByteArray encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE:
        return QByteArray("\xFF\xFE") + utf16(QStringConverter::Utf16LE, text);
    case Encoding::Utf16BE:
        return QByteArray("\xFE\xFF") + utf16(QStringConverter::Utf16BE, text);
    case Encoding::Ansi:
        break;
    }
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = toCp1252(text.at(i));
    return bytes;
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

QString readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KorvantError(u"Cannot open file \"%1\". %2"_s.arg(path, file.errorString()));
    if (file.size() > MaxTextFileBytes) {
        throw KorvantError(
            u"The file \"%1\" is %2 bytes long, too long for a hex file."_s.arg(path).arg(
                file.size()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KorvantError(u"Cannot read file \"%1\". %2"_s.arg(path, file.errorString()));
    return withCrLf(decode(bytes).text);
}

} // namespace TextEncoding
