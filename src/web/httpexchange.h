#pragma once

#include "web/httpresponse.h"

#include <QEventLoop>
#include <QSslSocket>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>

class QNetworkCookieJar;

// One GET on a connection of its own, run to its end by a local event loop: the request goes
// out as written, the answer is read by HttpResponseReader, and every way the exchange can end
// becomes one readable text.
class HttpExchange final
{
public:
    using Sink = std::function<QString(const QByteArray &chunk)>;
    using Progress = std::function<void(qint64 received)>;

    HttpExchange(const QUrl &url, qint64 maxBytes, QNetworkCookieJar &cookies)
        : m_url(url), m_maxBytes(maxBytes), m_cookies(cookies)
    {}
    Q_DISABLE_COPY_MOVE(HttpExchange)

    // The server is verified against the system's CAs and those in caFile.
    void setCaFile(const QString &caFile) { m_caFile = caFile; }
    // Sends request and hands the body to sink as it arrives; the failure's text, or empty
    // when the body arrived whole.
    QString run(const QByteArray &request, int stallTimeoutMs, const Sink &sink,
                const Progress &progress);
    QByteArray contentType() const { return m_reader.header("Content-Type"); }

private:
    void connectSignals(int stallTimeoutMs);
    void take(QByteArrayView bytes);
    void headersArrived();
    void fail(const QString &text);
    void end();
    QString outcome() const;
    QString endedEarlyText() const;

    QUrl m_url;
    qint64 m_maxBytes;
    QNetworkCookieJar &m_cookies;
    QString m_caFile;
    Sink m_sink;
    Progress m_progress;
    QSslSocket m_socket;
    QEventLoop m_loop;
    QTimer m_stall;
    HttpResponseReader m_reader;
    bool m_headersSeen = false;
    bool m_ended = false;
    QString m_failure;
    QStringList m_tlsErrors;
};
