#include "loco/locostatus.h"

#include "link/hexdigits.h"
#include "platform/korvanterror.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int HeadlightBit = 4;

int fieldAt(QStringView packet, int field)
{
    const QStringView digits = packet.mid(2 * field, 2);
    const std::optional<int> value = HexDigits::fieldValue(digits);
    if (!value)
        throw HexDigits::notAnInteger(digits);
    return *value;
}

} // namespace

std::optional<LocoStatus> decodeLocoStatus(QStringView packet)
{
    if (packet.size() != LocoStatus::PacketLength)
        return std::nullopt;
    LocoStatus status;
    int field = 0;
    for (int &address : status.addresses)
        address = fieldAt(packet, field++);
    for (int &speed : status.speeds)
        speed = fieldAt(packet, field++);
    status.speedSteps = fieldAt(packet, field++);
    status.directions = fieldAt(packet, field++);
    for (int &lamp : status.lamps)
        lamp = fieldAt(packet, field++);
    return status;
}

QString encodeLocoStatus(const LocoStatus &status)
{
    QString text;
    text.reserve(LocoStatus::PacketLength);
    for (const int address : status.addresses)
        HexDigits::appendByte(text, address);
    for (const int speed : status.speeds)
        HexDigits::appendByte(text, speed);
    HexDigits::appendByte(text, status.speedSteps);
    HexDigits::appendByte(text, status.directions);
    for (const int lamp : status.lamps)
        HexDigits::appendByte(text, lamp);
    return text;
}

int speedSliderMaximum(int speedStepByte, int loco)
{
    const bool low = speedStepByte & (1 << (loco - 1));
    const bool high = speedStepByte & (1 << (loco + 3));
    if (low)
        return 31;
    return high ? 128 : 14;
}

int speedStepBits(int loco, int sliderMaximum)
{
    switch (sliderMaximum) {
    case 31:
        return 1 << (loco - 1);
    case 128:
        return 1 << (loco + 3);
    default:
        return 0;
    }
}

bool directionBit(int directionByte, int loco)
{
    return directionByte & (1 << (loco - 1));
}

bool headlightBit(int lampByte)
{
    return lampByte & (1 << HeadlightBit);
}

bool functionBit(int lampByte, int function)
{
    return lampByte & (1 << (function - 1));
}

QString locoCaption(int address, int speed)
{
    return u"Loco "_s + QString::number(address) + u"\r\n"_s +
           u"%1"_s.arg(speed, 3, 10, QChar(u'0'));
}
