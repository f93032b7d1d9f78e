#include "web/httpresponse.h"

#include "link/hexdigits.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

// A chunk-size line holds a few digits and perhaps an extension nobody here reads.
constexpr qsizetype ChunkLineCap = 1024;
// More digits than any file this program fetches could need, and far from overflowing.
constexpr qsizetype LengthDigitsCap = 15;

bool isTokenChar(char c)
{
    static constexpr QByteArrayView separators = "()<>@,;:\\\"/[]?={} \t";
    return c > 0x20 && c < 0x7f && !separators.contains(c);
}

bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

bool isDecimal(QByteArrayView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool hasNoBody(int status)
{
    return (status >= 100 && status <= 199) || status == 204 || status == 304;
}

// The text before the first separator, or all of it.
QByteArray beforeFirst(const QByteArray &text, char separator)
{
    const qsizetype at = text.indexOf(separator);
    return at < 0 ? text : text.first(at);
}

// The last of the codings that "Transfer-Encoding: gzip, chunked" lists.
QByteArray lastCoding(const QByteArray &value)
{
    return value.mid(value.lastIndexOf(',') + 1).trimmed().toLower();
}

} // namespace

void HttpResponseReader::feed(QByteArrayView bytes, QByteArray &body)
{
    QByteArray line;
    while (!bytes.isEmpty()) {
        switch (m_state) {
        case State::StatusLine:
            if (!takeLine(bytes, line))
                return;
            readStatusLine(line);
            break;
        case State::Headers:
            if (!takeLine(bytes, line))
                return;
            readHeaderLine(line);
            break;
        case State::Body:
            readBody(bytes, body);
            break;
        case State::Done:
        case State::Failed:
            return;
        }
    }
}

void HttpResponseReader::endOfStream()
{
    switch (m_state) {
    case State::StatusLine:
    case State::Headers:
        m_endedEarly = true;
        fail(m_status == 0 ? u"The connection ended without an answer."_s
                           : u"The connection ended within the answer's headers."_s);
        break;
    case State::Body:
        if (m_untilClose) {
            m_state = State::Done;
            return;
        }
        m_endedEarly = true;
        fail(u"The connection ended within the answer's body."_s);
        break;
    case State::Done:
    case State::Failed:
        break;
    }
}

QString HttpResponseReader::statusLine() const
{
    const QString line = QString::fromLatin1(m_version) + u' ' + QString::number(m_status) + u' ' +
                         QString::fromLatin1(m_reason);
    return line.trimmed();
}

QByteArray HttpResponseReader::header(QByteArrayView name) const
{
    const QList<QByteArray> values = headerValues(name);
    return values.isEmpty() ? QByteArray() : values.first();
}

QList<QByteArray> HttpResponseReader::headerValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto &[headerName, value] : m_headers) {
        if (headerName.compare(name, Qt::CaseInsensitive) == 0)
            values.append(value);
    }
    return values;
}

QByteArray HttpResponseReader::parameter(const QByteArray &value, QByteArrayView name)
{
    const QList<QByteArray> parts = value.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts[i].trimmed();
        const qsizetype equals = part.indexOf('=');
        if (equals > 0 && part.first(equals).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            QByteArray found = part.sliced(equals + 1).trimmed();
            if (found.size() >= 2 && found.startsWith('"') && found.endsWith('"'))
                found = found.sliced(1, found.size() - 2);
            return found;
        }
    }
    return {};
}

// A line of the status, the headers or the chunk framing, without its line end. Servers that
// end lines with a bare LF are read too.
bool HttpResponseReader::takeLine(QByteArrayView &bytes, QByteArray &line)
{
    const bool inHeaders = m_state != State::Body || m_chunkPart == ChunkPart::Trailer;
    const qsizetype used = inHeaders ? m_headerBytes : 0;
    const qsizetype cap = inHeaders ? HeaderCap : ChunkLineCap;
    const qsizetype end = bytes.indexOf('\n');
    const qsizetype taken = end < 0 ? bytes.size() : end + 1;
    if (used + m_pending.size() + taken > cap) {
        fail(inHeaders ? u"The answer's headers are longer than %1 bytes."_s.arg(HeaderCap)
                       : u"A chunk size line is longer than %1 bytes."_s.arg(ChunkLineCap));
        return false;
    }
    m_pending += bytes.first(taken);
    bytes = bytes.sliced(taken);
    if (end < 0)
        return false;
    if (inHeaders)
        m_headerBytes += m_pending.size();
    line = std::exchange(m_pending, {});
    line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

void HttpResponseReader::readStatusLine(const QByteArray &line)
{
    static const QRegularExpression form(uR"(^(HTTP/\d\.\d) (\d{3})(?: (.*))?$)"_s);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(line));
    if (!match.hasMatch() || match.captured(2).toInt() < 100) {
        fail(u"The answer does not begin with an HTTP status line."_s);
        return;
    }
    m_version = match.captured(1).toLatin1();
    m_status = match.captured(2).toInt();
    m_reason = match.captured(3).toLatin1();
    m_headers.clear();
    m_state = State::Headers;
}

void HttpResponseReader::readHeaderLine(const QByteArray &line)
{
    if (line.isEmpty()) {
        // An interim answer ("100 Continue") is followed by the real one.
        if (m_status >= 100 && m_status <= 199 && m_status != 101)
            m_state = State::StatusLine;
        else
            beginBody();
        return;
    }
    if ((line.startsWith(' ') || line.startsWith('\t')) && !m_headers.isEmpty()) {
        m_headers.last().second += ' ' + line.trimmed();
        return;
    }
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = line.left(colon);
    if (colon < 0 || !isToken(name)) {
        fail(u"The answer holds a header line that is not a header."_s);
        return;
    }
    m_headers.append({name, line.mid(colon + 1).trimmed()});
}

void HttpResponseReader::beginBody()
{
    m_state = State::Body;
    if (!m_bodyExpected || hasNoBody(m_status)) {
        m_state = State::Done;
        return;
    }
    if (const QByteArray coding = header("Transfer-Encoding"); !coding.isEmpty()) {
        // The length of a coded body is the coding's business, whatever Content-Length says.
        m_chunked = lastCoding(coding) == "chunked";
        m_untilClose = !m_chunked;
        return;
    }
    const QList<QByteArray> lengths = headerValues("Content-Length");
    if (lengths.isEmpty()) {
        m_untilClose = true;
        return;
    }
    for (const QByteArray &length : lengths) {
        if (!isDecimal(length) || length.size() > LengthDigitsCap || length != lengths.first()) {
            fail(u"The answer announces its length as '%1'."_s.arg(
                QString::fromLatin1(lengths.join(", "))));
            return;
        }
    }
    m_announcedLength = lengths.first().toLongLong();
    m_remaining = m_announcedLength;
    if (m_remaining == 0)
        m_state = State::Done;
}

void HttpResponseReader::readBody(QByteArrayView &bytes, QByteArray &body)
{
    if (m_chunked) {
        readChunked(bytes, body);
    } else if (m_untilClose) {
        takeBodyBytes(bytes, bytes.size(), body);
    } else {
        takeBodyBytes(bytes, std::min<qint64>(m_remaining, bytes.size()), body);
        if (m_remaining == 0)
            m_state = State::Done;
    }
}

void HttpResponseReader::readChunked(QByteArrayView &bytes, QByteArray &body)
{
    QByteArray line;
    switch (m_chunkPart) {
    case ChunkPart::Size: {
        if (!takeLine(bytes, line))
            return;
        const QByteArray digits = beforeFirst(line, ';').trimmed();
        const std::optional<int> size = HexDigits::fieldValue(QString::fromLatin1(digits));
        if (!size) {
            fail(u"The answer holds a chunk size '%1'."_s.arg(QString::fromLatin1(digits)));
            return;
        }
        m_remaining = *size;
        m_chunkPart = m_remaining == 0 ? ChunkPart::Trailer : ChunkPart::Data;
        return;
    }
    case ChunkPart::Data:
        takeBodyBytes(bytes, std::min<qint64>(m_remaining, bytes.size()), body);
        if (m_remaining == 0)
            m_chunkPart = ChunkPart::DataEnd;
        return;
    case ChunkPart::DataEnd:
        if (!takeLine(bytes, line))
            return;
        if (!line.isEmpty())
            fail(u"A chunk of the answer is longer than its size."_s);
        m_chunkPart = ChunkPart::Size;
        return;
    case ChunkPart::Trailer:
        if (!takeLine(bytes, line))
            return;
        if (line.isEmpty())
            m_state = State::Done;
        return;
    }
}

void HttpResponseReader::takeBodyBytes(QByteArrayView &bytes, qint64 count, QByteArray &body)
{
    body += bytes.first(count);
    bytes = bytes.sliced(count);
    m_bodyBytes += count;
    if (!m_untilClose)
        m_remaining -= count;
}

void HttpResponseReader::fail(const QString &text)
{
    m_state = State::Failed;
    m_failure = text;
}
