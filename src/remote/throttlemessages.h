#pragma once

#include "remote/remotethrottle.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The browser throttle's messages, JSON text over its WebSocket. The page asks
//   {"op":"speed","slot":2,"step":10}            a step in the slot's own range
//   {"op":"toggle","slot":2,"what":"f2","on":true} reverse, headlight or f1-f4
//   {"op":"stop"}                                 every loco stops
// and is told {"type":"state",...} (the four slots, whether it may drive and why not) and
// {"type":"refused","text":...}. Nothing a page sends is trusted: a message over MessageCap,
// or one that is not exactly one of the forms above, is refused with the reason.
namespace ThrottleMessages {

inline constexpr qsizetype MessageCap = 4 * 1024;

struct Request
{
    enum class Kind
    {
        Speed,
        Toggle,
        Stop
    };
    Kind kind = Kind::Stop;
    int slot = 0; // 1 to 4
    int step = 0;
    RemoteThrottle::Toggle toggle = RemoteThrottle::Toggle::Headlight;
    bool on = false;

    bool operator==(const Request &) const = default;
};

struct Parsed
{
    std::optional<Request> request;
    QString error; // why there is none
};

Parsed parse(QByteArrayView message);
QByteArray format(const Request &request);

// Hands the request to the throttle; the refusal, or empty when it was taken.
QString apply(RemoteThrottle &throttle, const Request &request);

QByteArray state(const RemoteThrottle &throttle);
QByteArray refused(const QString &text);

} // namespace ThrottleMessages
