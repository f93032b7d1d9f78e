#include "turnouts/toutfile.h"

#include "platform/textencoding.h"

using namespace Qt::Literals::StringLiterals;

namespace ToutFile {

namespace {

// One file is 800 bytes; a large one was chosen by mistake.
constexpr qint64 MaxFileBytes = 1024 * 1024;

} // namespace

QString codePageName()
{
    return u"windows-1252"_s;
}

Read decode(QByteArrayView bytes)
{
    const TextEncoding::Decoded decoded = TextEncoding::decode(bytes);
    return {TextEncoding::withCrLf(decoded.text), decoded.encoding};
}

Written encode(QStringView text, Encoding encoding)
{
    Written written;
    written.bytes = TextEncoding::encode(text, encoding, &written.unrepresentable);
    return written;
}

QByteArray readFile(const QString &path)
{
    return TextEncoding::readFileBytes(path, MaxFileBytes, u"turnout file"_s);
}

} // namespace ToutFile
