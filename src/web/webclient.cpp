#include "web/webclient.h"

#include "platform/korvanterror.h"
#include "web/httpexchange.h"
#include "web/httpresponse.h"

#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSslSocket>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcWeb, "korvant.web", QtInfoMsg)

namespace {

QString decodeText(const QByteArray &body, const QByteArray &contentType)
{
    if (const QByteArray charset = HttpResponseReader::parameter(contentType, "charset");
        !charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromLatin1(body);
}

// The path and query as they go on the request line; empty when the address holds anything a
// request line cannot carry.
QByteArray requestTarget(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    const bool printable =
        std::all_of(target.begin(), target.end(), [](char c) { return c > 0x20 && c < 0x7f; });
    return printable && target.startsWith('/') ? target : QByteArray();
}

QByteArray cookieHeader(const QList<QNetworkCookie> &cookies)
{
    QByteArrayList pairs;
    for (const QNetworkCookie &cookie : cookies)
        pairs.append(cookie.toRawForm(QNetworkCookie::NameAndValueOnly));
    return pairs.join("; ");
}

// A failure leaves the client free for the next transfer.
class BusyFlag final
{
public:
    explicit BusyFlag(bool &flag) : m_flag(flag) { m_flag = true; }
    ~BusyFlag() { m_flag = false; }
    Q_DISABLE_COPY_MOVE(BusyFlag)

private:
    bool &m_flag;
};

} // namespace

WebClient::WebClient(QObject *parent) : QObject(parent), m_cookies(new QNetworkCookieJar(this))
{
    setObjectName(u"IdHTTP1"_s);
}

WebClient::~WebClient() = default;

QString WebClient::acceptHeader()
{
    return u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"_s;
}

QString WebClient::userAgent()
{
    return u"Mozilla/3.0 (compatible; Indy Library)"_s;
}

QString WebClient::caFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Quendrel/Korvant-ca.pem"_s;
}

QString WebClient::Get(const QString &sUrl, qint64 maxBytes)
{
    QByteArray body;
    const QByteArray contentType = transfer(sUrl, maxBytes, [&body](const QByteArray &chunk) {
        body += chunk;
        return QString();
    });
    return decodeText(body, contentType);
}

qint64 WebClient::Get(const QString &sUrl, QIODevice &destination, qint64 maxBytes)
{
    qint64 written = 0;
    transfer(sUrl, maxBytes, [&](const QByteArray &chunk) {
        if (destination.write(chunk) != chunk.size())
            return u"Cannot write the download: %1"_s.arg(destination.errorString());
        written += chunk.size();
        return QString();
    });
    return written;
}

QByteArray WebClient::transfer(const QString &sUrl, qint64 maxBytes, const Sink &sink)
{
    if (m_busy)
        throw KorvantError(u"A download is already running; wait until it has ended."_s);
    const QUrl url(sUrl, QUrl::TolerantMode);
    const QByteArray target = requestTarget(url);
    if (!url.isValid() || url.host().isEmpty() || target.isEmpty() ||
        (url.scheme() != u"https"_s && url.scheme() != u"http"_s)) {
        throw KorvantError(u"'%1' is not a web address (http or https)."_s.arg(sUrl));
    }
    if (url.scheme() == u"https"_s && !QSslSocket::supportsSsl())
        throw KorvantError(u"Could not load SSL library."_s);
    BusyFlag busy(m_busy);
    qCDebug(lcWeb) << "GET" << url;

    HttpExchange exchange(url, maxBytes, *m_cookies);
    exchange.setCaFile(caFile());
    const QString problem = exchange.run(request(url, target), m_stallTimeoutMs, sink,
                                         [this](qint64 received) { Q_EMIT work(received); });
    if (!problem.isEmpty()) {
        qCInfo(lcWeb) << "GET" << url << "failed:" << problem;
        throw KorvantError(problem);
    }
    return exchange.contentType();
}

QByteArray WebClient::request(const QUrl &url, const QByteArray &target) const
{
    QByteArray text = "GET " + target + " HTTP/1.1\r\n";
    text += "Host: " + url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() +
            "\r\n";
    text += "Accept: " + acceptHeader().toLatin1() + "\r\n";
    text += "User-Agent: " + userAgent().toLatin1() + "\r\n";
    // Bodies are read as they come; nothing here unpacks a compressed one.
    text += "Accept-Encoding: identity\r\n";
    if (const QByteArray cookies = cookieHeader(m_cookies->cookiesForUrl(url)); !cookies.isEmpty())
        text += "Cookie: " + cookies + "\r\n";
    text += "Connection: close\r\n\r\n";
    return text;
}
