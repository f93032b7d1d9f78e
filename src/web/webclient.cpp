#include "web/webclient.h"

#include "platform/korvanterror.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <memory>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcWeb, "korvant.web", QtInfoMsg)

namespace {

int statusCode(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

QString statusLine(const QNetworkReply &reply)
{
    return u"HTTP/1.1 %1 %2"_s.arg(statusCode(reply))
        .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
        .trimmed();
}

QString networkFailure(const QNetworkReply &reply, const QStringList &tlsErrors, qint64 received)
{
    if (reply.error() == QNetworkReply::SslHandshakeFailedError || !tlsErrors.isEmpty()) {
        return u"Error connecting with SSL.\r\n"_s +
               (tlsErrors.isEmpty() ? reply.errorString() : tlsErrors.join(u"\r\n"_s));
    }
    bool announced = false;
    const qint64 length = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&announced);
    if (announced && isSuccess(statusCode(reply)) && received < length) {
        return u"The connection ended after %1 of %2 bytes of %3."_s.arg(received).arg(length).arg(
            reply.url().toDisplayString());
    }
    return u"Socket Error # %1\r\n%2"_s.arg(int(reply.error())).arg(reply.errorString());
}

QString decodeText(const QByteArray &body, const QByteArray &contentType)
{
    const qsizetype at = contentType.toLower().indexOf("charset=");
    if (at >= 0) {
        QByteArray charset = contentType.mid(at + 8);
        charset = charset.left(charset.indexOf(';')).trimmed().replace('"', "");
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromLatin1(body);
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

WebClient::WebClient(QObject *parent) : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
    setObjectName(u"IdHTTP1"_s);
    m_manager->setProxy(QNetworkProxy::NoProxy);
    m_manager->setCookieJar(new QNetworkCookieJar(m_manager));
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
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

QNetworkRequest WebClient::request(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", acceptHeader().toLatin1());
    request.setRawHeader("User-Agent", userAgent().toLatin1());
    // Named, so that the network layer does not ask for gzip on its own.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    // Read at every request: the local server writes its CA when it starts.
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    tls.addCaCertificates(QSslCertificate::fromPath(caFile(), QSsl::Pem));
    request.setSslConfiguration(tls);
    return request;
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
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != u"https"_s && url.scheme() != u"http"_s)) {
        throw KorvantError(u"'%1' is not a web address (http or https)."_s.arg(sUrl));
    }
    if (url.scheme() == u"https"_s && !QSslSocket::supportsSsl())
        throw KorvantError(u"Could not load SSL library."_s);
    BusyFlag busy(m_busy);
    qCDebug(lcWeb) << "GET" << url;

    std::unique_ptr<QNetworkReply> reply(m_manager->get(request(url)));
    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(m_stallTimeoutMs);
    QString failure;
    QStringList tlsErrors;
    qint64 received = 0;

    const auto fail = [&](const QString &text) {
        if (failure.isEmpty())
            failure = text;
        reply->abort();
    };
    const auto drain = [&] {
        if (!reply->isOpen())
            return;
        const QByteArray chunk = reply->readAll();
        // An error page is not the file asked for.
        if (chunk.isEmpty() || !failure.isEmpty() || !isSuccess(statusCode(*reply)))
            return;
        received += chunk.size();
        if (maxBytes >= 0 && received > maxBytes) {
            fail(u"The answer of %1 is larger than %2 bytes."_s.arg(url.toDisplayString())
                     .arg(maxBytes));
            return;
        }
        if (const QString problem = sink(chunk); !problem.isEmpty()) {
            fail(problem);
            return;
        }
        Q_EMIT work(received);
    };
    connect(reply.get(), &QIODevice::readyRead, &loop, [&] {
        stall.start();
        drain();
    });
    connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&] { stall.start(); });
    connect(reply.get(), &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError> &errors) {
        for (const QSslError &error : errors)
            tlsErrors.append(error.errorString());
    });
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&stall, &QTimer::timeout, &loop, [&] {
        fail(u"Read timed out: nothing came from %1 for %2 s."_s.arg(url.toDisplayString())
                 .arg(m_stallTimeoutMs / 1000.0));
    });
    stall.start();
    if (!reply->isFinished())
        loop.exec();
    if (!reply->isFinished())
        fail(u"The transfer of %1 was cancelled."_s.arg(url.toDisplayString()));
    drain();
    const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    const int status = statusCode(*reply);
    QString problem = failure;
    if (problem.isEmpty() && status != 0 && !isSuccess(status))
        problem = statusLine(*reply);
    else if (problem.isEmpty() && reply->error() != QNetworkReply::NoError)
        problem = networkFailure(*reply, tlsErrors, received);
    reply.reset();
    // The next transfer opens a connection of its own, as after the original's Disconnect.
    m_manager->clearConnectionCache();
    if (!problem.isEmpty()) {
        qCInfo(lcWeb) << "GET" << url << "failed:" << problem;
        throw KorvantError(problem);
    }
    if (status == 0)
        throw KorvantError(u"No answer from %1."_s.arg(url.toDisplayString()));
    return contentType;
}
