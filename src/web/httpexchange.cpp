#include "web/httpexchange.h"

#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <cerrno>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

// The system's number for the common failures, as socket errors are known elsewhere.
int socketErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError:
        return ECONNRESET;
    case QAbstractSocket::HostNotFoundError:
        return EHOSTUNREACH;
    case QAbstractSocket::SocketTimeoutError:
        return ETIMEDOUT;
    case QAbstractSocket::NetworkError:
        return ENETUNREACH;
    default:
        return int(error);
    }
}

QString socketFailure(const QAbstractSocket &socket)
{
    return u"Socket Error # %1\r\n%2"_s.arg(socketErrorNumber(socket.error()))
        .arg(socket.errorString());
}

bool isTlsFailure(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::SslHandshakeFailedError ||
           error == QAbstractSocket::SslInternalError ||
           error == QAbstractSocket::SslInvalidUserDataError;
}

QSslConfiguration tlsConfiguration(const QString &caFile)
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // Read at every request: the local server writes its CA when it starts.
    tls.addCaCertificates(QSslCertificate::fromPath(caFile, QSsl::Pem));
    return tls;
}

} // namespace

QString HttpExchange::run(const QByteArray &request, int stallTimeoutMs, const Sink &sink,
                          const Progress &progress)
{
    m_sink = sink;
    m_progress = progress;
    connectSignals(stallTimeoutMs);
    m_socket.setProxy(QNetworkProxy::NoProxy);
    const quint16 port = m_url.port(m_url.scheme() == u"https"_s ? 443 : 80);
    if (m_url.scheme() == u"https"_s) {
        m_socket.setSslConfiguration(tlsConfiguration(m_caFile));
        m_socket.connectToHostEncrypted(m_url.host(QUrl::FullyEncoded), port);
    } else {
        m_socket.connectToHost(m_url.host(QUrl::FullyEncoded), port);
    }
    // Held until the connection (and its handshake) stands.
    m_socket.write(request);
    m_stall.start();
    if (!m_ended)
        m_loop.exec();
    if (!m_ended)
        fail(u"The transfer of %1 was cancelled."_s.arg(m_url.toDisplayString()));
    // What the socket reports while it is torn down is no longer news.
    QObject::disconnect(&m_socket, nullptr, &m_loop, nullptr);
    m_socket.abort();
    return outcome();
}

void HttpExchange::connectSignals(int stallTimeoutMs)
{
    m_stall.setSingleShot(true);
    m_stall.setInterval(stallTimeoutMs);
    QObject::connect(&m_stall, &QTimer::timeout, &m_loop, [this] {
        fail(u"Read timed out: nothing came from %1 for %2 s."_s.arg(m_url.toDisplayString())
                 .arg(m_stall.interval() / 1000.0));
    });
    QObject::connect(&m_socket, &QSslSocket::encrypted, &m_loop, [this] { m_stall.start(); });
    QObject::connect(&m_socket, &QIODevice::readyRead, &m_loop, [this] {
        m_stall.start();
        take(m_socket.readAll());
    });
    QObject::connect(&m_socket, &QSslSocket::sslErrors, &m_loop,
                     [this](const QList<QSslError> &errors) {
                         for (const QSslError &error : errors)
                             m_tlsErrors.append(error.errorString());
                     });
    QObject::connect(&m_socket, &QAbstractSocket::errorOccurred, &m_loop,
                     [this](QAbstractSocket::SocketError error) {
                         // A server may end a body by closing; disconnected() tells the rest.
                         if (error != QAbstractSocket::RemoteHostClosedError)
                             end();
                     });
    QObject::connect(&m_socket, &QAbstractSocket::disconnected, &m_loop, [this] {
        take(m_socket.readAll());
        m_reader.endOfStream();
        end();
    });
}

void HttpExchange::take(QByteArrayView bytes)
{
    if (m_ended || bytes.isEmpty())
        return;
    QByteArray chunk;
    m_reader.feed(bytes, chunk);
    if (m_reader.headersComplete() && !m_headersSeen)
        headersArrived();
    if (m_ended)
        return;
    if (!chunk.isEmpty()) {
        if (m_maxBytes >= 0 && m_reader.bodyBytes() > m_maxBytes) {
            fail(u"The answer of %1 is larger than %2 bytes."_s.arg(m_url.toDisplayString())
                     .arg(m_maxBytes));
            return;
        }
        if (const QString problem = m_sink(chunk); !problem.isEmpty()) {
            fail(problem);
            return;
        }
        m_progress(m_reader.bodyBytes());
    }
    if (m_reader.isDone() || m_reader.hasFailed())
        end();
}

void HttpExchange::headersArrived()
{
    m_headersSeen = true;
    for (const QByteArray &value : m_reader.headerValues("Set-Cookie"))
        m_cookies.setCookiesFromUrl(QNetworkCookie::parseCookies(value), m_url);
    // An error page, or a redirect that is not followed, is not the file asked for.
    if (!isSuccess(m_reader.statusCode()))
        fail(m_reader.statusLine());
    else if (m_maxBytes >= 0 && m_reader.announcedLength() > m_maxBytes)
        fail(u"The answer of %1 is larger than %2 bytes."_s.arg(m_url.toDisplayString())
                 .arg(m_maxBytes));
}

void HttpExchange::fail(const QString &text)
{
    if (m_failure.isEmpty())
        m_failure = text;
    end();
}

void HttpExchange::end()
{
    m_ended = true;
    m_stall.stop();
    m_loop.quit();
}

QString HttpExchange::outcome() const
{
    if (!m_failure.isEmpty())
        return m_failure;
    if (!m_tlsErrors.isEmpty() || isTlsFailure(m_socket.error())) {
        return u"Error connecting with SSL.\r\n"_s +
               (m_tlsErrors.isEmpty() ? m_socket.errorString() : m_tlsErrors.join(u"\r\n"_s));
    }
    if (m_reader.isDone())
        return {};
    if (m_reader.endedEarly() && m_headersSeen)
        return endedEarlyText();
    if (m_reader.hasFailed() && !m_reader.endedEarly()) {
        return u"The answer of %1 cannot be read: %2"_s.arg(m_url.toDisplayString(),
                                                            m_reader.failure());
    }
    return socketFailure(m_socket);
}

QString HttpExchange::endedEarlyText() const
{
    const qint64 received = m_reader.bodyBytes();
    if (m_reader.announcedLength() >= 0) {
        return u"The connection ended after %1 of %2 bytes of %3."_s.arg(received)
            .arg(m_reader.announcedLength())
            .arg(m_url.toDisplayString());
    }
    return u"The connection ended after %1 bytes of %2, before its last chunk."_s.arg(received).arg(
        m_url.toDisplayString());
}
