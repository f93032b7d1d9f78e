#include "remote/browserthrottle.h"

#include "platform/korvanterror.h"
#include "remote/remotethrottle.h"
#include "remote/requesthead.h"
#include "remote/throttlemessages.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QList>
#include <QLoggingCategory>
#include <QPointer>
#include <QRandomGenerator>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcBrowser, "korvant.browser", QtInfoMsg)

namespace {

using Status = QHttpServerResponse::StatusCode;
using Method = QHttpServerRequest::Method;

constexpr QByteArrayView TokenCookie = "korvant_throttle";
constexpr QByteArrayView SocketPath = "/socket";
constexpr QByteArrayView LoginPath = "/login";
constexpr int TokenWords = 8; // 256 random bits
constexpr int TokenLimit = 64;
// Connections whose request is not handed on yet (codes waiting their turn included).
constexpr int EnteringLimit = 32;
// The whole request must be in by then; a closing connection must be gone by then.
constexpr int RequestWaitMs = 10000;
constexpr int CloseWaitMs = 5000;
constexpr int LingerMs = 250;
constexpr int WaitingCodesLimit = 4;
constexpr int SourceLimit = 256;
// A page that stops reading is cut before what waits for it grows without bound.
constexpr qint64 UnsentLimit = 64 * 1024;
constexpr int FirstDelayMs = 500;
constexpr int LongestDelayMs = 30000;
const QString DeadlineName = u"korvantDeadline"_s;

struct Resource
{
    QString path;
    QString file;
    QByteArray type;
};

const std::array<Resource, 3> &resources()
{
    static const std::array<Resource, 3> list{
        {{u"/"_s, u":/browserthrottle/index.html"_s, "text/html; charset=utf-8"},
         {u"/throttle.css"_s, u":/browserthrottle/throttle.css"_s, "text/css; charset=utf-8"},
         {u"/throttle.js"_s, u":/browserthrottle/throttle.js"_s,
          "text/javascript; charset=utf-8"}}};
    return list;
}

QByteArray resourceBytes(const QString &file)
{
    QFile resource(file);
    if (!resource.open(QIODevice::ReadOnly))
        qCWarning(lcBrowser) << "The page's resource" << file << "is missing from the program.";
    return resource.readAll();
}

QHttpServerResponse plainResponse(Status status, const QString &text)
{
    return QHttpServerResponse("text/plain; charset=utf-8", text.toUtf8() + '\n', status);
}

QHttpServerResponse notAllowed(const QByteArray &allowed)
{
    QHttpServerResponse response = plainResponse(
        Status::MethodNotAllowed, u"Only %1 is answered here."_s.arg(QString::fromLatin1(allowed)));
    response.setHeader("Allow", allowed);
    return response;
}

// The answers the server gives before Qt's server has seen the request.
QByteArray plainAnswer(int status, QByteArrayView reason, const QString &text)
{
    const QByteArray body = text.toUtf8() + '\n';
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason.toByteArray() +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    // Every byte is compared, so the time taken does not tell how much of a guess was right.
    unsigned difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    return difference == 0;
}

QByteArray newToken()
{
    std::array<quint32, TokenWords> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.data()), sizeof words)
        .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString sourceKey(const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4).toString() : address.toString();
}

// A browser names the page that opens a socket or posts a code; another site's page may not.
bool fromThisPage(const RequestHead::Head &head)
{
    return !head.has("origin") || head.field("origin") == "http://" + head.field("host");
}

// As Qt's server will take it: an upgrade it hands to the WebSocket, and not one it would
// route as a plain request.
bool isWebSocketUpgrade(const RequestHead::Head &head)
{
    const QByteArrayList options = head.field("connection").toLower().split(',');
    return head.field("upgrade").compare("websocket", Qt::CaseInsensitive) == 0 &&
           std::any_of(options.begin(), options.end(),
                       [](const QByteArray &option) { return option.trimmed() == "upgrade"; });
}

QTimer *deadlineOf(QTcpSocket *socket)
{
    return socket->findChild<QTimer *>(DeadlineName, Qt::FindDirectChildrenOnly);
}

QByteArray cookieIn(const QByteArray &cookieField)
{
    RequestHead::Head head;
    head.fields.append({"cookie", cookieField});
    return head.cookie(TokenCookie);
}

// Qt's server takes a connection when the listening server says there is one.
class Gate final : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

    std::function<void(QTcpSocket *)> arrived;

    void handOn(QTcpSocket *socket)
    {
        addPendingConnection(socket);
        if (hasPendingConnections())
            Q_EMIT newConnection();
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        arrived(socket);
    }
};

} // namespace

class BrowserThrottleServer::Private final : public QObject
{
public:
    Private(BrowserThrottleServer &server, RemoteThrottle &throttle);
    ~Private() override;

    QString listen(quint16 port, const QHostAddress &address);
    void close();
    void setAccessCode(const QString &code);

    // Per source address: its codes wait here and are checked one at a time.
    struct Source
    {
        int failures = 0;
        qint64 readyAt = 0;
        qint64 lastSeen = 0;
        bool scheduled = false;
        QList<QPointer<QTcpSocket>> waiting;
    };

    void arrived(QTcpSocket *socket);
    void inspect(QTcpSocket *socket);
    void admit(QTcpSocket *socket, const RequestHead::Head &head);
    void refuse(QTcpSocket *socket, int status, QByteArrayView reason, const QString &text);
    void handOn(QTcpSocket *socket, bool upgrade);
    void queueCode(QTcpSocket *socket);
    void serveCodes(const QString &key);
    Source *sourceFor(const QString &key);

    QHttpServerResponse resource(const QHttpServerRequest &request, const Resource &resource,
                                 const QByteArray &bytes) const;
    QHttpServerResponse login(const QHttpServerRequest &request);
    bool hasToken(const QByteArray &token) const;

    void acceptClients();
    void received(QWebSocket *client, const QString &text);
    void send(QWebSocket *client, const QByteArray &message);
    void closeClient(QWebSocket *client, QWebSocketProtocol::CloseCode code, const QString &reason);
    void dropClient(QWebSocket *client);
    void schedulePush();

    BrowserThrottleServer &m_server;
    RemoteThrottle &m_throttle;
    std::unique_ptr<QHttpServer> m_http = std::make_unique<QHttpServer>();
    Gate *m_gate = new Gate(m_http.get());
    QString m_code;
    QSet<QByteArray> m_tokens;
    QList<QByteArray> m_tokenOrder;
    QList<QPointer<QTcpSocket>> m_entering;
    QHash<QString, Source> m_sources;
    std::optional<QString> m_admittedCode; // the source whose code Qt's server now answers
    QList<QWebSocket *> m_clients;
    QElapsedTimer m_clock;
    bool m_pushScheduled = false;
};

BrowserThrottleServer::Private::Private(BrowserThrottleServer &server, RemoteThrottle &throttle)
    : m_server(server), m_throttle(throttle)
{
    m_clock.start();
    m_gate->arrived = [this](QTcpSocket *socket) {
        arrived(socket);
    };
    for (const Resource &entry : resources()) {
        m_http->route(entry.path, [this, &entry, bytes = resourceBytes(entry.file)](
                                      const QHttpServerRequest &request) {
            return resource(request, entry, bytes);
        });
    }
    // Qt's server upgrades only what a route takes without answering; the handshake was judged
    // before the request got here.
    m_http->route(QString::fromLatin1(SocketPath),
                  [](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
                      if (request.value("upgrade").isEmpty())
                          responder.write(QHttpServerResponder::StatusCode::NotFound);
                  });
    m_http->route(QString::fromLatin1(LoginPath),
                  [this](const QHttpServerRequest &request) { return login(request); });
    m_http->afterRequest([](QHttpServerResponse &&response) {
        response.setHeader("Connection", "close");
        response.setHeader("Cache-Control", "no-store");
        response.setHeader("X-Content-Type-Options", "nosniff");
        response.setHeader("Referrer-Policy", "no-referrer");
        response.setHeader("Content-Security-Policy",
                           "default-src 'none'; script-src 'self'; style-src 'self'; "
                           "connect-src 'self'; img-src 'self'; base-uri 'none'; "
                           "form-action 'self'; frame-ancestors 'none'");
        return std::move(response);
    });
    connect(m_http.get(), &QHttpServer::newWebSocketConnection, this, [this] { acceptClients(); });

    connect(&m_throttle, &RemoteThrottle::slotChanged, this, [this] { schedulePush(); });
    connect(&m_throttle, &RemoteThrottle::rosterChanged, this, [this] { schedulePush(); });
    connect(&m_throttle, &RemoteThrottle::availabilityChanged, this, [this] { schedulePush(); });
}

BrowserThrottleServer::Private::~Private()
{
    m_gate->close();
    const QList<QWebSocket *> clients = findChildren<QWebSocket *>();
    for (QWebSocket *client : clients) {
        client->disconnect(this);
        client->abort();
        delete client;
    }
    for (QTcpSocket *socket : m_gate->findChildren<QTcpSocket *>())
        socket->disconnect(this);
    m_http->disconnect(this);
    m_http.reset();
}

QString BrowserThrottleServer::Private::listen(quint16 port, const QHostAddress &address)
{
    if (m_code.isEmpty())
        return u"The browser throttle needs an access code: without one anyone on the network "
               u"could drive."_s;
    close();
    if (!m_gate->listen(address, port))
        return u"The browser throttle cannot listen on port %1: %2"_s.arg(port).arg(
            m_gate->errorString());
    m_http->bind(m_gate);
    qCInfo(lcBrowser) << "Browser throttle on port" << m_gate->serverPort();
    return {};
}

void BrowserThrottleServer::Private::close()
{
    const bool wasListening = m_gate->isListening();
    m_gate->close();
    for (const QPointer<QTcpSocket> &socket : std::exchange(m_entering, {})) {
        if (!socket)
            continue;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    for (Source &source : m_sources)
        source.waiting.clear();
    for (QWebSocket *client : QList<QWebSocket *>(m_clients))
        closeClient(client, QWebSocketProtocol::CloseCodeGoingAway,
                    u"The browser throttle has stopped."_s);
    if (wasListening)
        qCInfo(lcBrowser) << "Browser throttle stopped";
}

void BrowserThrottleServer::Private::setAccessCode(const QString &code)
{
    if (code == m_code)
        return;
    m_code = code;
    m_tokens.clear();
    m_tokenOrder.clear();
    for (QWebSocket *client : QList<QWebSocket *>(m_clients))
        closeClient(client, QWebSocketProtocol::CloseCodePolicyViolated,
                    u"The access code has changed: log in again."_s);
    if (code.isEmpty())
        close();
}

void BrowserThrottleServer::Private::arrived(QTcpSocket *socket)
{
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    m_entering.removeAll(nullptr);
    if (m_entering.size() >= EnteringLimit) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    m_entering.append(socket);
    // Room for the longest request and one byte more, which shows that more was sent.
    socket->setReadBufferSize(RequestCap + BodyCap + 1);
    auto *deadline = new QTimer(socket);
    deadline->setObjectName(DeadlineName);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, &QAbstractSocket::abort);
    deadline->start(RequestWaitMs);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { inspect(socket); });
    if (socket->bytesAvailable() > 0)
        inspect(socket);
}

void BrowserThrottleServer::Private::inspect(QTcpSocket *socket)
{
    // Peeked, not read: Qt's server reads the same bytes once the request is let through.
    const QByteArray bytes = socket->peek(socket->bytesAvailable());
    const RequestHead::Reading reading = RequestHead::read(bytes);
    switch (reading.state) {
    case RequestHead::Reading::State::Incomplete:
        return;
    case RequestHead::Reading::State::TooLarge:
        return refuse(socket, 431, "Request Header Fields Too Large",
                      u"The request's head is longer than %1 bytes."_s.arg(RequestCap));
    case RequestHead::Reading::State::Malformed:
        return refuse(socket, 400, "Bad Request", reading.error);
    case RequestHead::Reading::State::Complete:
        break;
    }
    const RequestHead::Head &head = reading.head;
    if (head.contentLength > BodyCap)
        return refuse(socket, 413, "Payload Too Large",
                      u"The request's body is longer than %1 bytes."_s.arg(BodyCap));
    const qsizetype whole = head.size + head.contentLength;
    if (bytes.size() < whole)
        return;
    if (bytes.size() > whole)
        return refuse(socket, 400, "Bad Request", u"One request a connection."_s);
    admit(socket, head);
}

void BrowserThrottleServer::Private::admit(QTcpSocket *socket, const RequestHead::Head &head)
{
    // The methods Qt's server knows; it would drop the connection without an answer at others.
    static const QList<QByteArrayView> methods{"GET",    "HEAD",    "POST",  "PUT",
                                               "DELETE", "OPTIONS", "PATCH", "TRACE"};
    if (!methods.contains(head.method))
        return refuse(socket, 405, "Method Not Allowed", u"Only GET and POST are answered."_s);
    // Qt's server upgrades a connection on any path, so every upgrade is judged here.
    if (head.has("upgrade")) {
        if (head.method != "GET" || head.path() != SocketPath)
            return refuse(socket, 404, "Not Found", u"Only the throttle's socket upgrades."_s);
        if (!isWebSocketUpgrade(head))
            return refuse(socket, 400, "Bad Request",
                          u"The socket takes a WebSocket upgrade and nothing else."_s);
        if (!fromThisPage(head))
            return refuse(socket, 403, "Forbidden", u"Another site's page may not drive."_s);
        if (!hasToken(head.cookie(TokenCookie)))
            return refuse(socket, 403, "Forbidden", u"Log in with the access code first."_s);
        return handOn(socket, true);
    }
    if (head.method == "POST" && head.path() == LoginPath) {
        if (!fromThisPage(head))
            return refuse(socket, 403, "Forbidden", u"Another site's page may not log in."_s);
        return queueCode(socket);
    }
    handOn(socket, false);
}

void BrowserThrottleServer::Private::refuse(QTcpSocket *socket, int status, QByteArrayView reason,
                                            const QString &text)
{
    socket->disconnect(this);
    // Closing on unread bytes would reset the connection, and the reset could take the answer
    // with it: what more the client sends is dropped, and the connection closes once the answer
    // is out and the client has been quiet for a moment.
    socket->readAll();
    auto *linger = new QTimer(socket);
    linger->setSingleShot(true);
    linger->setInterval(LingerMs);
    connect(linger, &QTimer::timeout, socket, &QAbstractSocket::disconnectFromHost);
    connect(socket, &QIODevice::readyRead, linger, [socket, linger] {
        socket->readAll();
        if (linger->isActive())
            linger->start();
    });
    connect(socket, &QIODevice::bytesWritten, linger, [socket, linger] {
        if (socket->bytesToWrite() == 0)
            linger->start();
    });
    socket->write(plainAnswer(status, reason, text));
    if (QTimer *deadline = deadlineOf(socket))
        deadline->start(CloseWaitMs);
}

void BrowserThrottleServer::Private::handOn(QTcpSocket *socket, bool upgrade)
{
    m_entering.removeAll(socket);
    socket->disconnect(this);
    QTimer *deadline = deadlineOf(socket);
    if (upgrade) {
        // From here the WebSocket bounds its handshake and its messages.
        delete deadline;
        socket->setReadBufferSize(0);
    } else if (deadline) {
        deadline->start(RequestWaitMs);
    }
    m_gate->handOn(socket);
    // Qt's server reads what was only peeked at so far, and answers at once.
    Q_EMIT socket->readyRead();
    if (upgrade)
        return;
    // One request a connection (the answer says "Connection: close"): nothing more is read.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater,
            Qt::UniqueConnection);
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
    else
        socket->disconnectFromHost();
}

void BrowserThrottleServer::Private::queueCode(QTcpSocket *socket)
{
    const QString key = sourceKey(socket->peerAddress());
    Source *source = sourceFor(key);
    if (!source || source->waiting.size() >= WaitingCodesLimit)
        return refuse(socket, 429, "Too Many Requests", u"Wait for the last code's answer."_s);
    socket->disconnect(this);
    if (QTimer *deadline = deadlineOf(socket))
        deadline->stop();
    source->waiting.append(socket);
    serveCodes(key);
}

BrowserThrottleServer::Private::Source *
BrowserThrottleServer::Private::sourceFor(const QString &key)
{
    auto found = m_sources.find(key);
    if (found == m_sources.end()) {
        if (m_sources.size() >= SourceLimit) {
            // The address heard from longest ago, of those with no code waiting, makes room.
            auto oldest = m_sources.end();
            for (auto it = m_sources.begin(); it != m_sources.end(); ++it) {
                if (it->waiting.isEmpty() &&
                    (oldest == m_sources.end() || it->lastSeen < oldest->lastSeen))
                    oldest = it;
            }
            if (oldest == m_sources.end())
                return nullptr;
            m_sources.erase(oldest);
        }
        found = m_sources.insert(key, Source{});
    }
    found->lastSeen = m_clock.elapsed();
    return &*found;
}

void BrowserThrottleServer::Private::serveCodes(const QString &key)
{
    for (;;) {
        const auto found = m_sources.find(key);
        if (found == m_sources.end() || found->waiting.isEmpty())
            return;
        const qint64 wait = found->readyAt - m_clock.elapsed();
        if (wait > 0) {
            if (!found->scheduled) {
                found->scheduled = true;
                QTimer::singleShot(std::chrono::milliseconds(wait), this, [this, key] {
                    if (const auto again = m_sources.find(key); again != m_sources.end())
                        again->scheduled = false;
                    serveCodes(key);
                });
            }
            return;
        }
        const QPointer<QTcpSocket> socket = found->waiting.takeFirst();
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            continue;
        m_admittedCode = key;
        handOn(socket, false);
        m_admittedCode.reset();
    }
}

QHttpServerResponse BrowserThrottleServer::Private::resource(const QHttpServerRequest &request,
                                                             const Resource &resource,
                                                             const QByteArray &bytes) const
{
    if (request.method() != Method::Get)
        return notAllowed("GET");
    return QHttpServerResponse(resource.type, bytes);
}

QHttpServerResponse BrowserThrottleServer::Private::login(const QHttpServerRequest &request)
{
    if (request.method() != Method::Post)
        return notAllowed("POST");
    // A code reaches this only through its source's queue (a target spelled otherwise would not).
    if (!m_admittedCode)
        return plainResponse(Status::BadRequest, u"Post the code to /login."_s);
    Source &source = m_sources[*m_admittedCode];
    if (m_code.isEmpty() || !sameBytes(request.body(), m_code.toUtf8())) {
        ++source.failures;
        source.readyAt = m_clock.elapsed() + wrongCodeDelayMs(source.failures);
        return plainResponse(Status::Forbidden, u"Wrong access code."_s);
    }
    source.failures = 0;
    source.readyAt = 0;
    const QByteArray token = newToken();
    m_tokens.insert(token);
    m_tokenOrder.append(token);
    while (m_tokenOrder.size() > TokenLimit)
        m_tokens.remove(m_tokenOrder.takeFirst());
    QHttpServerResponse response(Status::NoContent);
    response.setHeader("Set-Cookie", TokenCookie.toByteArray() + '=' + token +
                                         "; Path=/; Max-Age=31536000; HttpOnly; SameSite=Strict");
    return response;
}

bool BrowserThrottleServer::Private::hasToken(const QByteArray &token) const
{
    return !token.isEmpty() && m_tokens.contains(token);
}

void BrowserThrottleServer::Private::acceptClients()
{
    while (m_http->hasPendingWebSocketConnections()) {
        QWebSocket *client = m_http->nextPendingWebSocketConnection().release();
        if (!client)
            return;
        client->setParent(this);
        client->setMaxAllowedIncomingFrameSize(ThrottleMessages::MessageCap);
        client->setMaxAllowedIncomingMessageSize(ThrottleMessages::MessageCap);
        connect(client, &QWebSocket::disconnected, this, [this, client] { dropClient(client); });
        // Judged again: the code may have changed while the handshake was on its way.
        if (!hasToken(cookieIn(client->request().rawHeader("Cookie")))) {
            closeClient(client, QWebSocketProtocol::CloseCodePolicyViolated,
                        u"Log in with the access code first."_s);
            continue;
        }
        if (m_clients.size() >= ClientLimit) {
            closeClient(client, QWebSocketProtocol::CloseCodePolicyViolated,
                        u"At most %1 throttles may drive at once."_s.arg(ClientLimit));
            continue;
        }
        m_clients.append(client);
        connect(client, &QWebSocket::textMessageReceived, this,
                [this, client](const QString &text) { received(client, text); });
        connect(client, &QWebSocket::binaryMessageReceived, this, [this, client] {
            send(client, ThrottleMessages::refused(u"Messages are JSON text."_s));
        });
        Q_EMIT m_server.clientCountChanged(int(m_clients.size()));
        send(client, ThrottleMessages::state(m_throttle));
    }
}

void BrowserThrottleServer::Private::received(QWebSocket *client, const QString &text)
{
    const ThrottleMessages::Parsed parsed = ThrottleMessages::parse(text.toUtf8());
    QString refusal = parsed.error;
    if (parsed.request) {
        const QString failure =
            failureOf([&] { refusal = ThrottleMessages::apply(m_throttle, *parsed.request); });
        if (!failure.isEmpty())
            refusal = failure;
    }
    if (!refusal.isEmpty())
        send(client, ThrottleMessages::refused(refusal));
}

void BrowserThrottleServer::Private::send(QWebSocket *client, const QByteArray &message)
{
    client->sendTextMessage(QString::fromUtf8(message));
    if (client->bytesToWrite() > UnsentLimit)
        client->abort();
}

void BrowserThrottleServer::Private::closeClient(QWebSocket *client,
                                                 QWebSocketProtocol::CloseCode code,
                                                 const QString &reason)
{
    if (m_clients.removeAll(client) > 0)
        Q_EMIT m_server.clientCountChanged(int(m_clients.size()));
    client->close(code, reason);
    // A page that never answers the close is cut.
    QTimer::singleShot(CloseWaitMs, client, [client] { client->abort(); });
}

void BrowserThrottleServer::Private::dropClient(QWebSocket *client)
{
    if (m_clients.removeAll(client) > 0)
        Q_EMIT m_server.clientCountChanged(int(m_clients.size()));
    client->deleteLater();
}

void BrowserThrottleServer::Private::schedulePush()
{
    // One packet signals every slot it changed: the pages are told once, when all is in.
    if (std::exchange(m_pushScheduled, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_pushScheduled = false;
        const QByteArray state = ThrottleMessages::state(m_throttle);
        for (QWebSocket *client : QList<QWebSocket *>(m_clients))
            send(client, state);
    });
}

BrowserThrottleServer::BrowserThrottleServer(RemoteThrottle &throttle, QObject *parent)
    : QObject(parent), m_private(std::make_unique<Private>(*this, throttle))
{}

BrowserThrottleServer::~BrowserThrottleServer() = default;

QString BrowserThrottleServer::listen(quint16 port, const QHostAddress &address)
{
    return m_private->listen(port, address);
}

void BrowserThrottleServer::close()
{
    m_private->close();
}

bool BrowserThrottleServer::isListening() const
{
    return m_private->m_gate->isListening();
}

quint16 BrowserThrottleServer::port() const
{
    return isListening() ? m_private->m_gate->serverPort() : 0;
}

void BrowserThrottleServer::setAccessCode(const QString &code)
{
    m_private->setAccessCode(code);
}

int BrowserThrottleServer::clientCount() const
{
    return int(m_private->m_clients.size());
}

QString BrowserThrottleServer::pageAddress(const QString &host, quint16 port, const QString &code)
{
    QString address = u"http://%1:%2/"_s.arg(host).arg(port);
    if (!code.isEmpty())
        address += u"#code="_s + QString::fromLatin1(QUrl::toPercentEncoding(code));
    return address;
}

QString BrowserThrottleServer::newAccessCode()
{
    // Digits, quick to type on any phone; eight of them, so that guessing at one
    // try per wrong-code delay takes longer than any club evening.
    QString code;
    for (int i = 0; i < NewCodeDigits; ++i)
        code.append(QChar(u'0' + QRandomGenerator::system()->bounded(10)));
    return code;
}

int BrowserThrottleServer::wrongCodeDelayMs(int failures)
{
    if (failures <= 0)
        return 0;
    const qint64 delay = qint64(FirstDelayMs) << std::min(failures - 1, 16);
    return int(std::min<qint64>(delay, LongestDelayMs));
}
