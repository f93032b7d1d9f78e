#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QIODevice;
class QNetworkCookieJar;
class QUrl;

// The window's one HTTP(S) client `IdHTTP1`. Each Get blocks its caller but not the window: a
// local event loop handles repaints, clicks and serial events while the transfer waits. Every
// failure throws KorvantError with a readable text. Every Get speaks HTTP/1.1 over a connection
// of its own, so the next one starts afresh with the TLS settings of the moment, and a failure
// can name the status line exactly as the server wrote it.
class WebClient final : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 VersionFileCap = 4 * 1024;
    static constexpr qint64 TextFileCap = 4 * 1024 * 1024;
    static constexpr qint64 NoCap = -1;
    static constexpr int StallTimeoutMs = 30'000;

    explicit WebClient(QObject *parent = nullptr);
    ~WebClient() override;

    // The response body as text, decoded with the character set the response names (Latin-1
    // when it names none); an answer longer than maxBytes fails.
    QString Get(const QString &sUrl, qint64 maxBytes);
    // Writes the response body into destination, byte for byte as it arrives; gives the count.
    qint64 Get(const QString &sUrl, QIODevice &destination, qint64 maxBytes = NoCap);

    bool isBusy() const { return m_busy; }
    // A transfer that moves nothing for this long fails.
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }

    static QString acceptHeader();
    static QString userAgent();
    // $XDG_CONFIG_HOME/Quendrel/Korvant-ca.pem: CAs trusted besides the system's.
    static QString caFile();

Q_SIGNALS:
    // The bytes received so far in the running transfer.
    void work(qint64 count);

private:
    using Sink = std::function<QString(const QByteArray &chunk)>;
    // Runs one GET to its end; gives the response's Content-Type.
    QByteArray transfer(const QString &sUrl, qint64 maxBytes, const Sink &sink);
    QByteArray request(const QUrl &url, const QByteArray &target) const;

    // Cookies live as long as the client: one run of the program.
    QNetworkCookieJar *m_cookies = nullptr;
    bool m_busy = false;
    int m_stallTimeoutMs = StallTimeoutMs;
};
