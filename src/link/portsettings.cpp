#include "link/portsettings.h"

using namespace Qt::Literals::StringLiterals;

namespace PortSettings {

namespace {

// Qt's Qt::CaseInsensitive folds Unicode too; the port's names fold ASCII letters only.
bool equalsAsciiCaseless(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(i).unicode();
        auto fold = [](char16_t c) {
            return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
        };
        if (fold(x) != fold(y))
            return false;
    }
    return true;
}

template <typename Enum> Enum fromName(const QStringList &names, const QString &text, Enum fallback)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (equalsAsciiCaseless(names.at(i), text))
            return static_cast<Enum>(i);
    }
    return fallback;
}

template <typename Enum> QString nameOf(const QStringList &names, Enum value)
{
    return names.value(static_cast<qsizetype>(value));
}

} // namespace

const QStringList &baudRateNames()
{
    static const QStringList names{u"Custom"_s, u"110"_s,    u"300"_s,    u"600"_s,
                                   u"1200"_s,   u"2400"_s,   u"4800"_s,   u"9600"_s,
                                   u"14400"_s,  u"19200"_s,  u"38400"_s,  u"56000"_s,
                                   u"57600"_s,  u"115200"_s, u"128000"_s, u"256000"_s};
    return names;
}

const QStringList &stopBitsNames()
{
    static const QStringList names{u"1"_s, u"1.5"_s, u"2"_s};
    return names;
}

const QStringList &dataBitsNames()
{
    static const QStringList names{u"5"_s, u"6"_s, u"7"_s, u"8"_s};
    return names;
}

const QStringList &parityNames()
{
    static const QStringList names{u"None"_s, u"Odd"_s, u"Even"_s, u"Mark"_s, u"Space"_s};
    return names;
}

const QStringList &flowControlNames()
{
    static const QStringList names{u"Hardware"_s, u"Software"_s, u"None"_s, u"Custom"_s};
    return names;
}

QString name(BaudRate value)
{
    return nameOf(baudRateNames(), value);
}
QString name(StopBits value)
{
    return nameOf(stopBitsNames(), value);
}
QString name(DataBits value)
{
    return nameOf(dataBitsNames(), value);
}
QString name(Parity value)
{
    return nameOf(parityNames(), value);
}
QString name(FlowControl value)
{
    return nameOf(flowControlNames(), value);
}

BaudRate baudRateFromName(const QString &text)
{
    return fromName(baudRateNames(), text, BaudRate::br9600);
}

StopBits stopBitsFromName(const QString &text)
{
    return fromName(stopBitsNames(), text, StopBits::One);
}

DataBits dataBitsFromName(const QString &text)
{
    return fromName(dataBitsNames(), text, DataBits::Eight);
}

Parity parityFromName(const QString &text)
{
    return fromName(parityNames(), text, Parity::None);
}

FlowControl flowControlFromName(const QString &text)
{
    return fromName(flowControlNames(), text, FlowControl::Custom);
}

int bitsPerSecond(BaudRate value)
{
    return value == BaudRate::Custom ? 0 : baudRateNames().at(static_cast<int>(value)).toInt();
}

FlowControl deriveFlowControl(const FlowControlFields &f)
{
    const bool xonXoffOff = !f.xonXoffIn && !f.xonXoffOut;
    const bool xonXoffOn = f.xonXoffIn && f.xonXoffOut;
    if (f.rts == RtsControl::Handshake && f.ctsOutputFlow && xonXoffOff)
        return FlowControl::Hardware;
    if (f.rts == RtsControl::Disable && !f.ctsOutputFlow && xonXoffOn)
        return FlowControl::Software;
    if (f.rts == RtsControl::Disable && !f.ctsOutputFlow && xonXoffOff)
        return FlowControl::None;
    return FlowControl::Custom;
}

FlowControlFields withFlowControl(FlowControlFields fields, FlowControl value)
{
    switch (value) {
    case FlowControl::Hardware:
        fields.rts = RtsControl::Handshake;
        fields.ctsOutputFlow = true;
        fields.xonXoffIn = fields.xonXoffOut = false;
        break;
    case FlowControl::Software:
        fields.rts = RtsControl::Disable;
        fields.ctsOutputFlow = false;
        fields.xonXoffIn = fields.xonXoffOut = true;
        break;
    case FlowControl::None:
        fields.rts = RtsControl::Disable;
        fields.ctsOutputFlow = false;
        fields.xonXoffIn = fields.xonXoffOut = false;
        break;
    case FlowControl::Custom:
        break;
    }
    return fields;
}

} // namespace PortSettings
