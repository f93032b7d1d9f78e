#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class RemoteThrottle;

// The browser throttle: a phone's browser drives the four loco slots from one page. Served on
// one port: GET "/" (the page), "/throttle.css" and "/throttle.js" (its resources), POST
// "/login" (the access code) and "/socket" (the WebSocket); anything else is 404, another
// method on those paths 405.
//
// Every request is read by the server itself before Qt's HTTP server sees it: at most
// RequestCap bytes of request line and headers, BodyCap of body, one request a connection. The
// page logs in once per browser with the access code and gets a random token in an HttpOnly,
// SameSite=Strict cookie (tokens live as long as the program runs); the WebSocket handshake
// is refused (403) without a token the server gave out. Codes from one address are checked
// one at a time, and after a wrong one the next waits wrongCodeDelayMs. At most ClientLimit
// sockets drive at once; a message over ThrottleMessages::MessageCap closes its socket.
class BrowserThrottleServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrowserThrottleServer)

public:
    static constexpr int ClientLimit = 8;
    static constexpr qsizetype RequestCap = 1024;
    static constexpr qsizetype BodyCap = 256;

    explicit BrowserThrottleServer(RemoteThrottle &throttle, QObject *parent = nullptr);
    ~BrowserThrottleServer() override;

    // Empty when listening (port 0: any free port), else why not. Refused without an access
    // code: a throttle without one would let anyone on the network drive.
    QString listen(quint16 port, const QHostAddress &address = QHostAddress::Any);
    // Stops listening and closes every socket; the tokens given out stay valid.
    void close();
    bool isListening() const;
    quint16 port() const;

    // A new code forgets every token and closes the sockets; an empty one stops the server.
    void setAccessCode(const QString &code);
    int clientCount() const;

    // The page's address on that host. With a code, the page logs in with it by itself: it is
    // in the fragment, which the browser never sends, so no request line or log holds it.
    static QString pageAddress(const QString &host, quint16 port, const QString &code = {});
    // A code for a throttle the user switched on without one: NewCodeDigits random digits.
    static QString newAccessCode();
    static constexpr int NewCodeDigits = 8;
    // How long the next code from an address waits after `failures` wrong ones in a row.
    static int wrongCodeDelayMs(int failures);

Q_SIGNALS:
    void clientCountChanged(int count);

private:
    class Private;
    std::unique_ptr<Private> m_private;
};
