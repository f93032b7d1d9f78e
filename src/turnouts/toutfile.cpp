#include "turnouts/toutfile.h"

#include <QStringDecoder>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace ToutFile {

namespace {

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

// One byte a character; a character the code page has no byte for becomes "?", as the
// 8-bit conversion of the station's users' systems writes it.
QByteArray toCodePage(QStringView text, int &unrepresentable)
{
    QStringEncoder encoder = codePageAvailable() ? QStringEncoder("windows-1252")
                                                 : QStringEncoder(QStringConverter::Latin1);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError() && bytes.size() == text.size())
        return bytes;
    // Some character has no byte: go one at a time to put "?" in its place.
    bytes.clear();
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        encoder.resetState();
        const QByteArray one = encoder.encode(text.mid(i, length));
        if (encoder.hasError() || one.size() != 1) {
            bytes.append('?');
            ++unrepresentable;
        } else {
            bytes.append(one);
        }
        i += length - 1;
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
    QStringDecoder decoder = codePageAvailable() ? QStringDecoder("windows-1252")
                                                 : QStringDecoder(QStringConverter::Latin1);
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

} // namespace ToutFile
