// The browser throttle over real sockets on 127.0.0.1: the page and nothing else, the access
// code and its cookie, the socket that drives the station (instructions and states typed out
// by hand), and the limits on what a client may send.
#include "platform/korvanterror.h"
#include "remote/browserthrottle.h"
#include "remote/remotethrottle.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <functional>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int WaitMs = 10000;
const QString Code = u"4711-blue"_s;
// Slot 1: loco 3 at 12 of 31, headlight on; slot 2: loco 4, reverse, 14 steps, F1 on; slot 3:
// loco 5 at 64 of 128; slot 4: loco 130, stopped, 31 steps, headlight and F1-F4 on.
const QString Packet = u"030405820C00400049021001001F"_s;
const QByteArray StateBeforeAnyStatus =
    R"({"available":true,"reason":"","slots":[],"type":"state"})";
const QByteArray StateOfThePacket =
    R"({"available":true,"reason":"","slots":[)"
    R"({"address":3,"functions":[false,false,false,false],"headlight":true,"maximum":31,)"
    R"("reverse":false,"slot":1,"step":12},)"
    R"({"address":4,"functions":[true,false,false,false],"headlight":false,"maximum":14,)"
    R"("reverse":true,"slot":2,"step":0},)"
    R"({"address":5,"functions":[false,false,false,false],"headlight":false,"maximum":128,)"
    R"("reverse":false,"slot":3,"step":64},)"
    R"({"address":130,"functions":[true,true,true,true],"headlight":true,"maximum":31,)"
    R"("reverse":false,"slot":4,"step":0}],"type":"state"})";
const QByteArray NotJson = R"({"text":"The message is not a JSON object.","type":"refused"})";

struct Station
{
    QStringList sent;
    QString failure; // the sender throws it when set
    RemoteThrottle throttle{[this](const QString &instruction) {
        if (!failure.isEmpty())
            throw KorvantError(failure);
        sent.append(instruction);
    }};
    BrowserThrottleServer server{throttle};

    Station()
    {
        throttle.setLinkOpen(true);
        server.setAccessCode(Code);
    }
    bool listen()
    {
        const QString error = server.listen(0, QHostAddress::LocalHost);
        if (!error.isEmpty())
            qWarning() << error;
        return error.isEmpty();
    }
    QUrl url(const QString &path) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(server.port()).arg(path));
    }
};

struct Answer
{
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QByteArray allow;
    QByteArray connection;
    QList<QNetworkCookie> cookies;
};

Answer ask(const QUrl &url, const QByteArray &method, const QByteArray &body = {})
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    if (!body.isEmpty())
        request.setRawHeader("Content-Type", "text/plain");
    const std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, method, body));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(WaitMs))
        return {};
    Answer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.contentType = reply->rawHeader("Content-Type");
    answer.allow = reply->rawHeader("Allow");
    answer.connection = reply->rawHeader("Connection");
    answer.cookies = reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>();
    return answer;
}

QByteArray logIn(const Station &station)
{
    const Answer answer = ask(station.url(u"/login"_s), "POST", Code.toUtf8());
    return answer.cookies.isEmpty() ? QByteArray() : answer.cookies.first().value();
}

QByteArray loginRequest(const QByteArray &code)
{
    return "POST /login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
           "Content-Length: " +
           QByteArray::number(code.size()) + "\r\n\r\n" + code;
}

// One request over a plain socket from a chosen source address, done when the answer is in
// (its head and Content-Length bytes of body) or the connection has ended.
class RawExchange
{
public:
    RawExchange(quint16 port, const QByteArray &request,
                const QHostAddress &from = QHostAddress::LocalHost)
    {
        QObject::connect(&m_socket, &QTcpSocket::connected, &m_socket,
                         [this, request] { m_socket.write(request); });
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { take(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_socket, [this] { end(); });
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket, [this] { end(); });
        if (from != QHostAddress(QHostAddress::LocalHost) && !m_socket.bind(from))
            qWarning() << "cannot send from" << from << m_socket.errorString();
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    std::function<void()> onDone;

    bool wait() const
    {
        return QTest::qWaitFor([this] { return m_done; }, WaitMs);
    }
    QByteArray answer() const { return m_answer; }
    QByteArray statusLine() const { return m_answer.left(m_answer.indexOf("\r\n")); }
    QByteArray body() const { return m_answer.mid(m_answer.indexOf("\r\n\r\n") + 4); }

private:
    void take()
    {
        m_answer += m_socket.readAll();
        const qsizetype end = m_answer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const qsizetype start = m_answer.toLower().indexOf("content-length:");
        const qsizetype length =
            start < 0 ? 0
                      : m_answer.mid(start + 15, m_answer.indexOf("\r\n", start) - start - 15)
                            .trimmed()
                            .toLongLong();
        if (m_answer.size() >= end + 4 + length)
            finish();
    }
    void end()
    {
        if (m_socket.isOpen())
            m_answer += m_socket.readAll();
        finish();
    }
    void finish()
    {
        if (std::exchange(m_done, true))
            return;
        if (onDone)
            onDone();
    }

    QTcpSocket m_socket;
    QByteArray m_answer;
    bool m_done = false;
};

struct Client
{
    QWebSocket socket;
    QList<QByteArray> messages;
    bool connected = false;
    bool disconnected = false;

    explicit Client(const QString &origin = {}) : socket(origin)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString &text) { messages.append(text.toUtf8()); });
        QObject::connect(&socket, &QWebSocket::connected, &socket, [this] { connected = true; });
        QObject::connect(&socket, &QWebSocket::disconnected, &socket,
                         [this] { disconnected = true; });
    }
    void open(const Station &station, const QByteArray &token)
    {
        QNetworkRequest request(QUrl(u"ws://127.0.0.1:%1/socket"_s.arg(station.server.port())));
        if (!token.isEmpty())
            request.setRawHeader("Cookie", "theme=dark; korvant_throttle=" + token);
        socket.open(request);
    }
    bool waitForEnd() const
    {
        return QTest::qWaitFor([this] { return disconnected; }, WaitMs);
    }
    // The next message, or empty when none came before the socket ended or the wait did.
    QByteArray next()
    {
        const bool arrived =
            QTest::qWaitFor([this] { return !messages.isEmpty() || disconnected; }, WaitMs);
        return !arrived || messages.isEmpty() ? QByteArray() : messages.takeFirst();
    }
    void send(const QByteArray &message) { socket.sendTextMessage(QString::fromUtf8(message)); }
};

// A client that has logged in and holds the state it was sent on connecting.
std::unique_ptr<Client> driver(const Station &station, const QByteArray &token)
{
    auto client = std::make_unique<Client>(u"http://127.0.0.1:%1"_s.arg(station.server.port()));
    client->open(station, token);
    if (client->next().isEmpty())
        return nullptr;
    return client;
}

// A head of exactly `size` bytes that asks for the page.
QByteArray pageRequestOfSize(qsizetype size)
{
    const QByteArray start = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: ";
    const QByteArray end = "\r\n\r\n";
    return start + QByteArray(size - start.size() - end.size(), 'a') + end;
}

QByteArray padded(const QByteArray &message, qsizetype size)
{
    return message + QByteArray(size - message.size(), ' ');
}

} // namespace

class TestBrowserThrottle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void servesThePageAndItsResources_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("contains");
        QTest::newRow("page") << u"/"_s << QByteArray("text/html; charset=utf-8")
                              << QByteArray(R"(<script src="/throttle.js")");
        QTest::newRow("page-with-a-query")
            << u"/?from=qr"_s << QByteArray("text/html; charset=utf-8")
            << QByteArray(R"(name="viewport")");
        QTest::newRow("style") << u"/throttle.css"_s << QByteArray("text/css; charset=utf-8")
                               << QByteArray(".stop");
        QTest::newRow("script") << u"/throttle.js"_s << QByteArray("text/javascript; charset=utf-8")
                                << QByteArray("new WebSocket(");
    }

    void servesThePageAndItsResources()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, contains);
        Station station;
        QVERIFY(station.listen());
        const Answer answer = ask(station.url(path), "GET");
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.contentType, type);
        QCOMPARE(answer.connection, "close");
        QVERIFY2(answer.body.contains(contains), answer.body.left(200).constData());
    }

    void everythingElseIsNotFound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("index.html") << u"/index.html"_s;
        QTest::newRow("favicon") << u"/favicon.ico"_s;
        QTest::newRow("below-a-resource") << u"/throttle.js/x"_s;
        QTest::newRow("other-case") << u"/Throttle.js"_s;
        QTest::newRow("socket-without-upgrade") << u"/socket"_s;
        QTest::newRow("below-login") << u"/login/x"_s;
    }

    void everythingElseIsNotFound()
    {
        QFETCH(QString, path);
        Station station;
        QVERIFY(station.listen());
        QCOMPARE(ask(station.url(path), "GET").status, 404);
    }

    void otherMethodsAreNotAllowed_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("allow");
        QTest::newRow("post-the-page") << QByteArray("POST") << u"/"_s << QByteArray("GET");
        QTest::newRow("put-the-page") << QByteArray("PUT") << u"/"_s << QByteArray("GET");
        QTest::newRow("delete-the-script")
            << QByteArray("DELETE") << u"/throttle.js"_s << QByteArray("GET");
        QTest::newRow("get-the-login") << QByteArray("GET") << u"/login"_s << QByteArray("POST");
    }

    void otherMethodsAreNotAllowed()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, allow);
        Station station;
        QVERIFY(station.listen());
        const Answer answer = ask(station.url(path), method, "x");
        QCOMPARE(answer.status, 405);
        QCOMPARE(answer.allow, allow);
        QVERIFY(station.sent.isEmpty());
    }

    void refusesToStartWithoutACode()
    {
        Station station;
        station.server.setAccessCode({});
        QVERIFY(!station.server.listen(0, QHostAddress::LocalHost).isEmpty());
        QVERIFY(!station.server.isListening());
        QCOMPARE(station.server.port(), 0);
        station.server.setAccessCode(Code);
        QVERIFY(station.listen());
        QVERIFY(station.server.port() != 0);
        // Taking the code away stops the server.
        station.server.setAccessCode({});
        QVERIFY(!station.server.isListening());
    }

    void rightCodeSetsTheCookie()
    {
        Station station;
        QVERIFY(station.listen());
        const Answer answer = ask(station.url(u"/login"_s), "POST", Code.toUtf8());
        QCOMPARE(answer.status, 204);
        QCOMPARE(answer.cookies.size(), 1);
        const QNetworkCookie cookie = answer.cookies.first();
        QCOMPARE(cookie.name(), "korvant_throttle");
        QVERIFY(cookie.isHttpOnly());
        QCOMPARE(cookie.sameSitePolicy(), QNetworkCookie::SameSite::Strict);
        QCOMPARE(cookie.path(), u"/"_s);
        QCOMPARE(cookie.value().size(), 43); // 256 random bits
        QVERIFY(logIn(station) != cookie.value());
    }

    void wrongCodesAreRefusedAlikeAndSlowedDown()
    {
        Station station;
        QVERIFY(station.listen());
        const QHostAddress phone(QHostAddress::LocalHost);
        const QHostAddress otherPhone(u"127.0.0.2"_s);

        RawExchange first(station.server.port(), loginRequest("0000"), phone);
        QVERIFY(first.wait());
        QCOMPARE(first.statusLine(), "HTTP/1.1 403 Forbidden");
        QCOMPARE(first.body(), "Wrong access code.\n");
        QVERIFY(!first.answer().toLower().contains("set-cookie"));

        // The phone's second wrong code waits behind its first; the other phone's first does not.
        QStringList answered;
        RawExchange second(station.server.port(), loginRequest(Code.toUtf8() + 'x'), phone);
        second.onDone = [&answered] {
            answered << u"second code of the phone"_s;
        };
        RawExchange other(station.server.port(), loginRequest("4711-blu"), otherPhone);
        other.onDone = [&answered] {
            answered << u"first code of the other phone"_s;
        };
        QVERIFY(second.wait());
        QVERIFY(other.wait());
        QCOMPARE(answered,
                 QStringList({u"first code of the other phone"_s, u"second code of the phone"_s}));
        QCOMPARE(second.answer(), first.answer());
        QCOMPARE(other.answer(), first.answer());
    }

    void wrongCodeDelaysGrowAndStop_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("first") << 1 << 500;
        QTest::newRow("second") << 2 << 1000;
        QTest::newRow("sixth") << 6 << 16000;
        QTest::newRow("seventh-capped") << 7 << 30000;
        QTest::newRow("hundredth-capped") << 100 << 30000;
    }

    void wrongCodeDelaysGrowAndStop()
    {
        QFETCH(int, failures);
        QFETCH(int, delayMs);
        QCOMPARE(BrowserThrottleServer::wrongCodeDelayMs(failures), delayMs);
    }

    void socketIsRefused_data()
    {
        QTest::addColumn<QString>("why");
        QTest::newRow("without-a-cookie") << u"no-cookie"_s;
        QTest::newRow("with-a-made-up-token") << u"made-up"_s;
        QTest::newRow("from-another-sites-page") << u"other-site"_s;
        QTest::newRow("with-the-token-of-an-earlier-code") << u"earlier-code"_s;
    }

    void socketIsRefused()
    {
        QFETCH(QString, why);
        Station station;
        QVERIFY(station.listen());
        QByteArray token = logIn(station);
        QVERIFY(!token.isEmpty());
        QString origin;
        if (why == u"no-cookie"_s)
            token.clear();
        else if (why == u"made-up"_s)
            token = QByteArray(43, 'A');
        else if (why == u"other-site"_s)
            origin = u"http://trains.example"_s;
        else if (why == u"earlier-code"_s)
            station.server.setAccessCode(u"new code"_s);
        QVERIFY(station.server.isListening());

        Client client(origin);
        client.open(station, token);
        QVERIFY(client.waitForEnd());
        QVERIFY(!client.connected);
        QVERIFY(client.messages.isEmpty());
        QCOMPARE(station.server.clientCount(), 0);
    }

    void theSocketDrivesTheStation_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("speed") << QByteArray(R"({"op":"speed","slot":1,"step":10})")
                               << QStringList{u":S10A"_s} << QByteArray();
        QTest::newRow("speed-above-the-range") << QByteArray(R"({"op":"speed","slot":2,"step":20})")
                                               << QStringList{u":S20E"_s} << QByteArray();
        QTest::newRow("f2-on") << QByteArray(R"({"op":"toggle","slot":1,"what":"f2","on":true})")
                               << QStringList{u":F200"_s} << QByteArray();
        QTest::newRow("forward") << QByteArray(
                                        R"({"op":"toggle","slot":2,"what":"reverse","on":false})")
                                 << QStringList{u":D100"_s} << QByteArray();
        QTest::newRow("headlight-already-on")
            << QByteArray(R"({"op":"toggle","slot":1,"what":"headlight","on":true})")
            << QStringList{} << QByteArray();
        QTest::newRow("stop") << QByteArray(R"({"op":"stop"})") << QStringList{u":E000"_s}
                              << QByteArray();
        QTest::newRow("not-json") << QByteArray("speed 1 10") << QStringList{} << NotJson;
        QTest::newRow("slot-5")
            << QByteArray(R"({"op":"speed","slot":5,"step":1})") << QStringList{}
            << QByteArray(R"({"text":"The slot must be a number from 1 to 4.","type":"refused"})");
    }

    void theSocketDrivesTheStation()
    {
        QFETCH(QByteArray, message);
        QFETCH(QStringList, sent);
        QFETCH(QByteArray, reply);
        Station station;
        QVERIFY(station.listen());
        Client client(u"http://127.0.0.1:%1"_s.arg(station.server.port()));
        client.open(station, logIn(station));
        QCOMPARE(client.next(), StateBeforeAnyStatus);
        QCOMPARE(station.server.clientCount(), 1);
        QVERIFY(station.throttle.applyStatusPacket(Packet));
        QCOMPARE(client.next(), StateOfThePacket);

        client.send(message);
        // A message that is answered after the row's shows the row's came first.
        client.send("[]");
        if (!reply.isEmpty())
            QCOMPARE(client.next(), reply);
        QCOMPARE(client.next(), NotJson);
        QCOMPARE(station.sent, sent);
    }

    void whatTheThrottleRefusesGoesToThatPageOnly()
    {
        Station station;
        QVERIFY(station.listen());
        const QByteArray token = logIn(station);
        const std::unique_ptr<Client> asking = driver(station, token);
        const std::unique_ptr<Client> watching = driver(station, token);
        QVERIFY(asking && watching);
        QVERIFY(station.throttle.applyStatusPacket(Packet));
        QCOMPARE(asking->next(), StateOfThePacket);
        QCOMPARE(watching->next(), StateOfThePacket);

        station.failure = u"The port is closed."_s;
        asking->send(R"({"op":"speed","slot":1,"step":3})");
        QCOMPARE(asking->next(), R"({"text":"The port is closed.","type":"refused"})");

        station.failure.clear();
        station.throttle.setLinkOpen(false);
        const QByteArray closed =
            R"({"available":false,"reason":"The station is not connected.","slots":[],"type":"state"})";
        QCOMPARE(asking->next(), closed);
        QCOMPARE(watching->next(), closed);
        asking->send(R"({"op":"stop"})");
        QCOMPARE(asking->next(), R"({"text":"The station is not connected.","type":"refused"})");
        watching->send("[]");
        QCOMPARE(watching->next(), NotJson);
        QVERIFY(station.sent.isEmpty());
    }

    void ninthClientIsClosedWithAReason()
    {
        Station station;
        QVERIFY(station.listen());
        const QByteArray token = logIn(station);
        std::vector<std::unique_ptr<Client>> eight;
        for (int n = 0; n < BrowserThrottleServer::ClientLimit; ++n) {
            eight.push_back(driver(station, token));
            QVERIFY(eight.back());
        }
        QCOMPARE(station.server.clientCount(), 8);

        Client ninth;
        ninth.open(station, token);
        QVERIFY(ninth.waitForEnd());
        QCOMPARE(ninth.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(ninth.socket.closeReason(), u"At most 8 throttles may drive at once."_s);
        QVERIFY(ninth.messages.isEmpty());
        QCOMPARE(station.server.clientCount(), 8);

        // The eight still drive, and a place given up is taken again.
        station.throttle.applyStatusPacket(Packet);
        for (const auto &client : eight)
            QCOMPARE(client->next(), StateOfThePacket);
        eight.front()->socket.close();
        QTRY_COMPARE_WITH_TIMEOUT(station.server.clientCount(), 7, WaitMs);
        QVERIFY(driver(station, token));
    }

    void longMessagesCloseTheClient_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("closes");
        QTest::newRow("4-KiB-taken") << qsizetype(4096) << false;
        QTest::newRow("4-KiB-and-a-byte-closes") << qsizetype(4097) << true;
        QTest::newRow("5-KiB-closes") << qsizetype(5120) << true;
    }

    void longMessagesCloseTheClient()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, closes);
        Station station;
        QVERIFY(station.listen());
        const std::unique_ptr<Client> client = driver(station, logIn(station));
        QVERIFY(client);
        QVERIFY(station.throttle.applyStatusPacket(Packet));
        QCOMPARE(client->next(), StateOfThePacket);

        client->send(padded(R"({"op":"speed","slot":1,"step":10})", size));
        client->send("[]");
        if (closes) {
            QVERIFY(client->waitForEnd());
            QCOMPARE(client->socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
            QVERIFY(client->messages.isEmpty());
            QVERIFY(station.sent.isEmpty());
            QTRY_COMPARE_WITH_TIMEOUT(station.server.clientCount(), 0, WaitMs);
        } else {
            QCOMPARE(client->next(), NotJson);
            QCOMPARE(station.sent, QStringList{u":S10A"_s});
        }
    }

    void requestsAreReadBeforeTheyAreServed_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("statusLine");
        const QByteArray host = "Host: 127.0.0.1\r\n";
        QTest::newRow("head-of-1024-bytes")
            << pageRequestOfSize(1024) << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("head-of-1025-bytes")
            << pageRequestOfSize(1025)
            << QByteArray("HTTP/1.1 431 Request Header Fields Too Large");
        QTest::newRow("2-KiB-header") << pageRequestOfSize(2048)
                                      << QByteArray("HTTP/1.1 431 Request Header Fields Too Large");
        QTest::newRow("bare-lf") << QByteArray("GET / HTTP/1.1\n" + host + "\r\n")
                                 << QByteArray("HTTP/1.1 400 Bad Request");
        QTest::newRow("two-requests-at-once")
            << QByteArray("GET / HTTP/1.1\r\n" + host + "\r\nGET / HTTP/1.1\r\n" + host + "\r\n")
            << QByteArray("HTTP/1.1 400 Bad Request");
        QTest::newRow("body-over-256-bytes")
            << QByteArray("POST /login HTTP/1.1\r\n" + host + "Content-Length: 257\r\n\r\n" +
                          QByteArray(257, '1'))
            << QByteArray("HTTP/1.1 413 Payload Too Large");
        QTest::newRow("unknown-method") << QByteArray("BREW / HTTP/1.1\r\n" + host + "\r\n")
                                        << QByteArray("HTTP/1.1 405 Method Not Allowed");
        const QByteArray upgrade = "Connection: Upgrade\r\nUpgrade: websocket\r\n"
                                   "Sec-WebSocket-Version: 13\r\n"
                                   "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
        QTest::newRow("upgrade-of-the-page")
            << QByteArray("GET / HTTP/1.1\r\n" + host + upgrade + "\r\n")
            << QByteArray("HTTP/1.1 404 Not Found");
        QTest::newRow("upgrade-to-something-else")
            << QByteArray("GET /socket HTTP/1.1\r\n" + host +
                          "Connection: Upgrade\r\nUpgrade: h2c\r\n\r\n")
            << QByteArray("HTTP/1.1 400 Bad Request");
        QTest::newRow("upgrade-without-connection-upgrade")
            << QByteArray("GET /socket HTTP/1.1\r\n" + host + "Upgrade: websocket\r\n\r\n")
            << QByteArray("HTTP/1.1 400 Bad Request");
        QTest::newRow("upgrade-without-a-cookie")
            << QByteArray("GET /socket HTTP/1.1\r\n" + host + upgrade + "\r\n")
            << QByteArray("HTTP/1.1 403 Forbidden");
    }

    void requestsAreReadBeforeTheyAreServed()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, statusLine);
        Station station;
        QVERIFY(station.listen());
        RawExchange exchange(station.server.port(), request);
        QVERIFY(exchange.wait());
        QCOMPARE(exchange.statusLine(), statusLine);
        QVERIFY(exchange.answer().toLower().contains("\r\nconnection: close\r\n"));
        QVERIFY(station.sent.isEmpty());
    }

    void aNewCodeOrClosingEndsTheSockets()
    {
        Station station;
        QVERIFY(station.listen());
        const std::unique_ptr<Client> client = driver(station, logIn(station));
        QVERIFY(client);
        station.server.setAccessCode(u"new code"_s);
        QVERIFY(client->waitForEnd());
        QCOMPARE(client->socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(client->socket.closeReason(), u"The access code has changed: log in again."_s);
        QCOMPARE(station.server.clientCount(), 0);

        const QByteArray token = logIn(station);
        QVERIFY(token.isEmpty()); // the old code no longer logs in
        const Answer answer = ask(station.url(u"/login"_s), "POST", "new code");
        QCOMPARE(answer.status, 204);
        const std::unique_ptr<Client> again = driver(station, answer.cookies.first().value());
        QVERIFY(again);
        station.server.close();
        QVERIFY(again->waitForEnd());
        QCOMPARE(again->socket.closeCode(), QWebSocketProtocol::CloseCodeGoingAway);
        QVERIFY(!station.server.isListening());
        QCOMPARE(station.server.clientCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestBrowserThrottle)
#include "tst_browserthrottle.moc"
