#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <utility>

// The head of one HTTP/1.x request (request line, header fields, blank line) read from the
// bytes a browser has sent so far. The browser throttle reads every request with it before Qt's
// server is handed the bytes, so what is read here must be all there is to read: a head over
// Cap bytes, a bare CR or LF, a folded line, a control character, a request in chunks, two
// lengths or two hosts are refused rather than guessed at.
namespace RequestHead {

inline constexpr qsizetype Cap = 1024;

struct Head
{
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<std::pair<QByteArray, QByteArray>> fields; // names in lower case, values trimmed
    qsizetype size = 0;                              // up to and including the blank line
    qsizetype contentLength = 0;

    // The target up to "?" or "#", as sent (not decoded).
    QByteArrayView path() const;
    // The first value of a field, or empty; the name in lower case.
    QByteArray field(QByteArrayView name) const;
    bool has(QByteArrayView name) const;
    // The value of a cookie from the Cookie fields, or empty.
    QByteArray cookie(QByteArrayView name) const;
};

struct Reading
{
    enum class State
    {
        Incomplete, // more bytes may complete it
        Complete,
        TooLarge,
        Malformed
    };
    State state = State::Incomplete;
    Head head;
    QString error; // why it is malformed
};

Reading read(QByteArrayView bytes);

} // namespace RequestHead
