#include "remote/requesthead.h"

#include <QByteArrayList>
#include <algorithm>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

using Reading = RequestHead::Reading;

constexpr QByteArrayView EndOfHead = "\r\n\r\n";
// Nine digits: far above any body the server takes, and never near overflow.
constexpr qsizetype LengthDigits = 9;

Reading malformed(const QString &why)
{
    Reading reading;
    reading.state = Reading::State::Malformed;
    reading.error = why;
    return reading;
}

bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

bool isValueChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u == '\t' || (u >= 0x20 && u != 0x7f);
}

bool isTargetChar(char c)
{
    return c > 0x20 && c < 0x7f;
}

std::optional<qsizetype> length(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > LengthDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return digits.toLongLong();
}

Reading readRequestLine(QByteArrayView line, RequestHead::Head &head)
{
    const QByteArrayList parts = line.toByteArray().split(' ');
    if (parts.size() != 3)
        return malformed(u"The request line is not a method, a target and a version."_s);
    head.method = parts[0];
    head.target = parts[1];
    head.version = parts[2];
    if (head.method.isEmpty() || !std::all_of(head.method.begin(), head.method.end(),
                                              [](char c) { return c >= 'A' && c <= 'Z'; }))
        return malformed(u"The method is not a word in capitals."_s);
    if (!head.target.startsWith('/') ||
        !std::all_of(head.target.begin(), head.target.end(), isTargetChar))
        return malformed(u"The target is not a path."_s);
    if (head.version != "HTTP/1.1" && head.version != "HTTP/1.0")
        return malformed(u"Only HTTP/1.0 and HTTP/1.1 are spoken here."_s);
    return {};
}

} // namespace

QByteArrayView RequestHead::Head::path() const
{
    const QByteArrayView target(this->target);
    const qsizetype end = std::min(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'),
                                   target.indexOf('#') < 0 ? target.size() : target.indexOf('#'));
    return target.first(end);
}

QByteArray RequestHead::Head::field(QByteArrayView name) const
{
    for (const auto &[fieldName, value] : fields) {
        if (fieldName == name)
            return value;
    }
    return {};
}

bool RequestHead::Head::has(QByteArrayView name) const
{
    return std::any_of(fields.begin(), fields.end(),
                       [name](const auto &field) { return field.first == name; });
}

QByteArray RequestHead::Head::cookie(QByteArrayView name) const
{
    for (const auto &[fieldName, value] : fields) {
        if (fieldName != "cookie")
            continue;
        for (const QByteArray &pair : value.split(';')) {
            const QByteArray trimmed = pair.trimmed();
            const qsizetype equals = trimmed.indexOf('=');
            if (equals > 0 && QByteArrayView(trimmed).first(equals) == name)
                return trimmed.mid(equals + 1);
        }
    }
    return {};
}

RequestHead::Reading RequestHead::read(QByteArrayView bytes)
{
    const QByteArrayView window = bytes.first(std::min(bytes.size(), Cap));
    const qsizetype end = window.indexOf(EndOfHead);
    if (end < 0) {
        Reading reading;
        if (bytes.size() >= Cap)
            reading.state = Reading::State::TooLarge;
        return reading;
    }

    Head head;
    head.size = end + EndOfHead.size();
    const QByteArrayView text = window.first(end);
    if (text.contains('\0'))
        return malformed(u"The head holds a NUL character."_s);
    QByteArrayList lines = text.toByteArray().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The last line's CR LF is the blank line's start, already cut off.
        if (i + 1 < lines.size()) {
            if (!lines[i].endsWith('\r'))
                return malformed(u"A line ends without CR LF."_s);
            lines[i].chop(1);
        }
        if (lines[i].contains('\r'))
            return malformed(u"A line holds a bare CR."_s);
    }
    if (Reading line = readRequestLine(lines.front(), head);
        line.state == Reading::State::Malformed)
        return line;

    int hosts = 0;
    int lengths = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon).toLower();
        if (colon <= 0 || !isToken(name))
            return malformed(u"A header line is not a name, a colon and a value."_s);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (!std::all_of(value.begin(), value.end(), isValueChar))
            return malformed(u"A header value holds a control character."_s);
        if (name == "transfer-encoding")
            return malformed(u"A request in chunks is not taken."_s);
        if (name == "host")
            ++hosts;
        if (name == "content-length") {
            const std::optional<qsizetype> announced = length(value);
            if (!announced || ++lengths > 1)
                return malformed(u"The request's length is not one number."_s);
            head.contentLength = *announced;
        }
        head.fields.append({name, value});
    }
    if (hosts > 1 || (hosts == 0 && head.version == "HTTP/1.1"))
        return malformed(u"The request names no host or more than one."_s);

    Reading reading;
    reading.state = Reading::State::Complete;
    reading.head = std::move(head);
    return reading;
}
