#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

// Reads one HTTP/1.x response as it arrives from a connection: the status line as the server
// wrote it, the headers, and the body framed by Content-Length, by chunks, or by the end of the
// connection. Nothing the server sends is trusted: every line and every size is bounded, and a
// response that breaks the framing fails with a text instead of being guessed at.
class HttpResponseReader final
{
public:
    static constexpr qsizetype HeaderCap = 64 * 1024;

    enum class State
    {
        StatusLine,
        Headers,
        Body,
        Done,
        Failed
    };

    // For a response to HEAD the body is absent whatever the headers announce.
    explicit HttpResponseReader(bool bodyExpected = true) : m_bodyExpected(bodyExpected) {}

    // The next bytes of the connection; body bytes are appended to body. Bytes after the end of
    // the response are not read.
    void feed(QByteArrayView bytes, QByteArray &body);
    // The connection ended: completes a body that runs to the end, fails any other.
    void endOfStream();

    State state() const { return m_state; }
    bool headersComplete() const { return m_state == State::Body || m_state == State::Done; }
    bool isDone() const { return m_state == State::Done; }
    bool hasFailed() const { return m_state == State::Failed; }
    // Why the response could not be read.
    QString failure() const { return m_failure; }
    // True when the connection ended while the body was still expected.
    bool endedEarly() const { return m_endedEarly; }

    // "HTTP/1.0", as the server named its version.
    QByteArray version() const { return m_version; }
    int statusCode() const { return m_status; }
    QByteArray reasonPhrase() const { return m_reason; }
    // "HTTP/1.0 404 Not Found"; without a reason phrase "HTTP/1.1 500".
    QString statusLine() const;

    // The first value of a header, case-insensitive by name; empty when it is absent.
    QByteArray header(QByteArrayView name) const;
    // Every value of a header that may come more than once (Set-Cookie).
    QList<QByteArray> headerValues(QByteArrayView name) const;
    // A parameter of a header value, unquoted: "utf-8" of `text/plain; charset="utf-8"`; empty
    // when the value has none of that name.
    static QByteArray parameter(const QByteArray &value, QByteArrayView name);

    // The length the headers announce; -1 when they announce none.
    qint64 announcedLength() const { return m_announcedLength; }
    bool isChunked() const { return m_chunked; }
    qint64 bodyBytes() const { return m_bodyBytes; }

private:
    enum class ChunkPart
    {
        Size,
        Data,
        DataEnd,
        Trailer
    };

    bool takeLine(QByteArrayView &bytes, QByteArray &line);
    void readStatusLine(const QByteArray &line);
    void readHeaderLine(const QByteArray &line);
    void beginBody();
    void readBody(QByteArrayView &bytes, QByteArray &body);
    void readChunked(QByteArrayView &bytes, QByteArray &body);
    void takeBodyBytes(QByteArrayView &bytes, qint64 count, QByteArray &body);
    void fail(const QString &text);

    State m_state = State::StatusLine;
    bool m_bodyExpected = true;
    QString m_failure;
    bool m_endedEarly = false;

    QByteArray m_pending;
    qsizetype m_headerBytes = 0;

    QByteArray m_version;
    int m_status = 0;
    QByteArray m_reason;
    QList<QPair<QByteArray, QByteArray>> m_headers;

    qint64 m_announcedLength = -1;
    bool m_chunked = false;
    bool m_untilClose = false;
    qint64 m_remaining = 0;
    qint64 m_bodyBytes = 0;
    ChunkPart m_chunkPart = ChunkPart::Size;
};
