#include "remote/throttlemessages.h"

#include "platform/jsonnumbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace {

using Toggle = RemoteThrottle::Toggle;

// A speed step beyond any slot's range is clamped by the throttle; beyond this it is no step.
constexpr int StepLimit = 1000;

constexpr std::array<std::pair<Toggle, QLatin1StringView>, RemoteThrottle::ToggleCount> toggleNames{
    {{Toggle::Reverse, QLatin1StringView("reverse")},
     {Toggle::Headlight, QLatin1StringView("headlight")},
     {Toggle::F1, QLatin1StringView("f1")},
     {Toggle::F2, QLatin1StringView("f2")},
     {Toggle::F3, QLatin1StringView("f3")},
     {Toggle::F4, QLatin1StringView("f4")}}};

std::optional<Toggle> toggleNamed(const QString &name)
{
    for (const auto &[toggle, toggleName] : toggleNames) {
        if (name == toggleName)
            return toggle;
    }
    return std::nullopt;
}

QString toggleName(Toggle toggle)
{
    for (const auto &[known, name] : toggleNames) {
        if (known == toggle)
            return name;
    }
    return {};
}

std::optional<int> integerIn(const QJsonValue &value, int lowest, int highest)
{
    if (!JsonNumbers::isInteger(value) || value.toInt() < lowest || value.toInt() > highest)
        return std::nullopt;
    return value.toInt();
}

bool hasOnlyKeys(const QJsonObject &object, std::initializer_list<QLatin1StringView> keys)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(keys.begin(), keys.end(), it.key()) == keys.end())
            return false;
    }
    return true;
}

ThrottleMessages::Parsed failure(const QString &text)
{
    return {std::nullopt, text};
}

ThrottleMessages::Parsed parseObject(const QJsonObject &object)
{
    using Request = ThrottleMessages::Request;
    const QString op = object.value("op"_L1).toString();
    if (op == "stop"_L1) {
        if (!hasOnlyKeys(object, {"op"_L1}))
            return failure(u"A stop takes nothing more."_s);
        return {Request{}, {}};
    }
    Request request;
    const std::optional<int> slot =
        integerIn(object.value("slot"_L1), 1, RemoteThrottle::SlotCount);
    if (op != "speed"_L1 && op != "toggle"_L1)
        return failure(u"Unknown request."_s);
    if (!slot)
        return failure(u"The slot must be a number from 1 to 4."_s);
    request.slot = *slot;
    if (op == "speed"_L1) {
        const std::optional<int> step = integerIn(object.value("step"_L1), 0, StepLimit);
        if (!step || !hasOnlyKeys(object, {"op"_L1, "slot"_L1, "step"_L1}))
            return failure(u"A speed takes a slot and a step from 0 to %1."_s.arg(StepLimit));
        request.kind = Request::Kind::Speed;
        request.step = *step;
        return {request, {}};
    }
    const std::optional<Toggle> toggle = toggleNamed(object.value("what"_L1).toString());
    const QJsonValue on = object.value("on"_L1);
    if (!toggle || !on.isBool() || !hasOnlyKeys(object, {"op"_L1, "slot"_L1, "what"_L1, "on"_L1}))
        return failure(u"A toggle takes a slot, what (reverse, headlight, f1-f4) and on."_s);
    request.kind = Request::Kind::Toggle;
    request.toggle = *toggle;
    request.on = on.toBool();
    return {request, {}};
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject slotObject(const RemoteThrottle &throttle, int n)
{
    const RemoteThrottle::Slot slot = throttle.slot(n);
    QJsonArray functions;
    for (bool lit : slot.functions)
        functions.append(lit);
    return {{"slot"_L1, n},
            {"address"_L1, slot.address},
            {"step"_L1, slot.speedStep()},
            {"maximum"_L1, slot.speedMaximum},
            {"reverse"_L1, slot.reverse},
            {"headlight"_L1, slot.headlight},
            {"functions"_L1, functions}};
}

} // namespace

ThrottleMessages::Parsed ThrottleMessages::parse(QByteArrayView message)
{
    if (message.size() > MessageCap)
        return failure(u"The message is longer than %1 bytes."_s.arg(MessageCap));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(message.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return failure(u"The message is not a JSON object."_s);
    return parseObject(document.object());
}

QByteArray ThrottleMessages::format(const Request &request)
{
    switch (request.kind) {
    case Request::Kind::Stop:
        return compact({{"op"_L1, "stop"_L1}});
    case Request::Kind::Speed:
        return compact(
            {{"op"_L1, "speed"_L1}, {"slot"_L1, request.slot}, {"step"_L1, request.step}});
    case Request::Kind::Toggle:
        return compact({{"op"_L1, "toggle"_L1},
                        {"slot"_L1, request.slot},
                        {"what"_L1, toggleName(request.toggle)},
                        {"on"_L1, request.on}});
    }
    return {};
}

QString ThrottleMessages::apply(RemoteThrottle &throttle, const Request &request)
{
    switch (request.kind) {
    case Request::Kind::Stop:
        return throttle.emergencyStop();
    case Request::Kind::Speed:
        return throttle.setSpeed(request.slot, request.step);
    case Request::Kind::Toggle:
        return throttle.setToggle(request.slot, request.toggle, request.on);
    }
    return {};
}

QByteArray ThrottleMessages::state(const RemoteThrottle &throttle)
{
    QJsonArray slotList;
    if (throttle.hasStatus()) {
        for (int n = 1; n <= RemoteThrottle::SlotCount; ++n)
            slotList.append(slotObject(throttle, n));
    }
    const QString refusal = throttle.refusal();
    return compact({{"type"_L1, "state"_L1},
                    {"available"_L1, refusal.isEmpty()},
                    {"reason"_L1, refusal},
                    {"slots"_L1, slotList}});
}

QByteArray ThrottleMessages::refused(const QString &text)
{
    return compact({{"type"_L1, "refused"_L1}, {"text"_L1, text}});
}
