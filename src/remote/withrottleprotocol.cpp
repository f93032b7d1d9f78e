#include "remote/withrottleprotocol.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace WiThrottle {

namespace {

constexpr QByteArrayView Separator = "<;>";
constexpr QByteArrayView EntrySeparator = "]\\[";
constexpr QByteArrayView FieldSeparator = "}|{";
constexpr int MaxSpeedDigits = 4;
constexpr int MaxAddressDigits = 5;
constexpr int MaxFunctionDigits = 2;
constexpr int MaxModeDigits = 3;

bool isPrintable(char c)
{
    return c > 0x20 && c < 0x7F;
}

std::optional<int> number(QByteArrayView digits, int maxDigits)
{
    if (digits.isEmpty() || digits.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = 10 * value + (c - '0');
    }
    return value;
}

QString cleanText(QString text)
{
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return text;
}

// Bytes that are not UTF-8 are dropped, not replaced: a replacement character takes three bytes,
// and the text must never grow past the line it came in.
QString cleanText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInvalidToNull);
    return cleanText(QString(utf8(bytes)));
}

// A roster name or a function label: a delimiter inside it would split the list at the client.
QByteArray field(const QString &text)
{
    QByteArray bytes = cleanText(text).toUtf8();
    for (const QByteArrayView delimiter : {Separator, EntrySeparator, FieldSeparator})
        bytes.replace(delimiter, " ");
    return bytes;
}

bool parseKey(QByteArrayView key, Command &command)
{
    if (key == "*") {
        command.key = "*"_ba;
        return true;
    }
    if (key.size() < 2 || (key.front() != 'S' && key.front() != 'L'))
        return false;
    const std::optional<int> address = number(key.sliced(1), MaxAddressDigits);
    if (!address || *address > MaxAddress)
        return false;
    command.key = key.toByteArray();
    command.address = *address;
    command.longAddress = key.front() == 'L';
    return true;
}

Command withAction(Command command, Action action, int value = 0)
{
    command.action = action;
    command.value = value;
    return command;
}

Command parseFunction(Command command, Action action, QByteArrayView operand)
{
    if (operand.size() < 2 || (operand.front() != '0' && operand.front() != '1'))
        return {};
    const std::optional<int> function = number(operand.sliced(1), MaxFunctionDigits);
    if (!function || *function > MaxFunction)
        return {};
    command.function = *function;
    return withAction(std::move(command), action, operand.front() - '0');
}

Command parseAction(Command command, QByteArrayView rest)
{
    if (rest.isEmpty())
        return {};
    const QByteArrayView operand = rest.sliced(1);
    switch (rest.front()) {
    case 'V': {
        if (operand.startsWith('-'))
            return number(operand.sliced(1), MaxSpeedDigits)
                       ? withAction(std::move(command), Action::EmergencyStop)
                       : Command{};
        const std::optional<int> speed = number(operand, MaxSpeedDigits);
        if (!speed)
            return {};
        return withAction(std::move(command), Action::Speed, std::min(*speed, SpeedMaximum));
    }
    case 'I':
        return operand.isEmpty() ? withAction(std::move(command), Action::Speed) : Command{};
    case 'X':
        return operand.isEmpty() ? withAction(std::move(command), Action::EmergencyStop)
                                 : Command{};
    case 'R':
        if (operand != "0" && operand != "1")
            return {};
        return withAction(std::move(command), Action::Direction, operand.front() - '0');
    case 'F':
        return parseFunction(std::move(command), Action::Function, operand);
    case 'f':
        return parseFunction(std::move(command), Action::ForceFunction, operand);
    case 's': {
        const std::optional<int> mode = number(operand, MaxModeDigits);
        return mode ? withAction(std::move(command), Action::SpeedStepMode, *mode) : Command{};
    }
    case 'q':
        if (operand == "V")
            return withAction(std::move(command), Action::QuerySpeed);
        if (operand == "R")
            return withAction(std::move(command), Action::QueryDirection);
        return {};
    default:
        return {};
    }
}

Command parseThrottle(QByteArrayView line)
{
    if (line.size() < 4 || !isPrintable(line[1]))
        return {};
    Command command;
    command.throttle = line[1];
    const char operation = line[2];
    const QByteArrayView body = line.sliced(3);
    const qsizetype at = body.indexOf(Separator);
    if (at < 0 || !parseKey(body.first(at), command))
        return {};
    const QByteArrayView rest = body.sliced(at + Separator.size());
    switch (operation) {
    case '+':
        if (command.address < 0)
            return {};
        if (rest.startsWith('E'))
            command.text = cleanText(rest.sliced(1));
        else if (!rest.isEmpty() && rest != command.key)
            return {};
        return withAction(std::move(command), Action::Acquire);
    case '-':
        if (!rest.isEmpty() && rest != "r" && rest != "d")
            return {};
        return withAction(std::move(command), Action::Release);
    case 'A':
        return parseAction(std::move(command), rest);
    default:
        return {};
    }
}

QByteArray throttleHead(char throttle, char operation, QByteArrayView key)
{
    QByteArray line;
    line.reserve(4 + key.size() + Separator.size());
    line.append('M');
    line.append(throttle);
    line.append(operation);
    line.append(key);
    line.append(Separator);
    return line;
}

QByteArray actionLine(char throttle, QByteArrayView key, char letter, QByteArrayView operand)
{
    QByteArray line = throttleHead(throttle, 'A', key);
    line.append(letter);
    line.append(operand);
    return line;
}

QByteArray functionOperand(int state, int function)
{
    return QByteArray::number(state) + QByteArray::number(function);
}

} // namespace

Command parse(QByteArrayView line)
{
    if (line.size() > MaxLineLength) {
        Command refused;
        refused.action = Action::Refused;
        return refused;
    }
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    if (line.isEmpty())
        return {};
    Command command;
    switch (line.front()) {
    case 'N':
        command.text = cleanText(line.sliced(1));
        return withAction(std::move(command), Action::Name);
    case 'H':
        if (!line.startsWith("HU"))
            return {};
        command.text = cleanText(line.sliced(2));
        return withAction(std::move(command), Action::HardwareId);
    case '*':
        if (line == "*")
            return withAction(std::move(command), Action::Heartbeat);
        if (line == "*+")
            return withAction(std::move(command), Action::HeartbeatOn);
        if (line == "*-")
            return withAction(std::move(command), Action::HeartbeatOff);
        return {};
    case 'Q':
        return line == "Q" ? withAction(std::move(command), Action::Quit) : Command{};
    case 'M':
        return parseThrottle(line);
    default:
        return {};
    }
}

QByteArray clientLine(const Command &command)
{
    const char t = command.throttle;
    const QByteArray &key = command.key;
    switch (command.action) {
    case Action::Ignored:
    case Action::Refused:
        return {};
    case Action::Name:
        return 'N' + command.text.toUtf8();
    case Action::HardwareId:
        return "HU"_ba + command.text.toUtf8();
    case Action::Heartbeat:
        return "*"_ba;
    case Action::HeartbeatOn:
        return "*+"_ba;
    case Action::HeartbeatOff:
        return "*-"_ba;
    case Action::Quit:
        return "Q"_ba;
    case Action::Acquire:
        return throttleHead(t, '+', key) +
               (command.text.isEmpty() ? key : QByteArray('E' + command.text.toUtf8()));
    case Action::Release:
        return throttleHead(t, '-', key) + 'r';
    case Action::Speed:
        return actionLine(t, key, 'V', QByteArray::number(command.value));
    case Action::EmergencyStop:
        return actionLine(t, key, 'X', {});
    case Action::Direction:
        return actionLine(t, key, 'R', QByteArray::number(command.value));
    case Action::Function:
        return actionLine(t, key, 'F', functionOperand(command.value, command.function));
    case Action::ForceFunction:
        return actionLine(t, key, 'f', functionOperand(command.value, command.function));
    case Action::SpeedStepMode:
        return actionLine(t, key, 's', QByteArray::number(command.value));
    case Action::QuerySpeed:
        return actionLine(t, key, 'q', "V");
    case Action::QueryDirection:
        return actionLine(t, key, 'q', "R");
    }
    return {};
}

QByteArray addressKey(int address)
{
    return (address <= 127 ? 'S' : 'L') + QByteArray::number(address);
}

QByteArray version()
{
    return "VN2.0"_ba;
}

QByteArray roster(const QList<RosterEntry> &entries)
{
    QByteArray line = "RL"_ba + QByteArray::number(entries.size());
    for (const RosterEntry &entry : entries) {
        line.append(EntrySeparator).append(field(entry.name)).append(FieldSeparator);
        line.append(QByteArray::number(entry.address)).append(FieldSeparator);
        line.append(addressKey(entry.address).front());
    }
    return line;
}

QByteArray webPort(int port)
{
    return "PW"_ba + QByteArray::number(port);
}

QByteArray heartbeat(int seconds)
{
    return '*' + QByteArray::number(seconds);
}

QByteArray alert(const QString &text)
{
    return "HM"_ba + cleanText(text).toUtf8();
}

QByteArray info(const QString &text)
{
    return "Hm"_ba + cleanText(text).toUtf8();
}

QByteArray acquired(char throttle, QByteArrayView key)
{
    return throttleHead(throttle, '+', key);
}

QByteArray released(char throttle, QByteArrayView key)
{
    return throttleHead(throttle, '-', key);
}

QByteArray functionLabels(char throttle, QByteArrayView key, const QStringList &labels)
{
    QByteArray line = throttleHead(throttle, 'L', key);
    for (const QString &label : labels)
        line.append(EntrySeparator).append(field(label));
    return line;
}

QByteArray speed(char throttle, QByteArrayView key, int value)
{
    return actionLine(throttle, key, 'V', QByteArray::number(value));
}

QByteArray direction(char throttle, QByteArrayView key, bool forward)
{
    return actionLine(throttle, key, 'R', forward ? "1" : "0");
}

QByteArray function(char throttle, QByteArrayView key, int function, bool on)
{
    return actionLine(throttle, key, 'F', functionOperand(on ? 1 : 0, function));
}

QByteArray speedStepMode(char throttle, QByteArrayView key, int mode)
{
    return actionLine(throttle, key, 's', QByteArray::number(mode));
}

QList<QByteArray> greeting(const QList<RosterEntry> &entries, int port)
{
    QList<QByteArray> lines{version(), roster(entries)};
    if (port > 0)
        lines.append(webPort(port));
    return lines;
}

int speedStepModeOf(int sliderMaximum)
{
    switch (sliderMaximum) {
    case 14:
        return 8;
    case 128:
        return 1;
    default:
        return 2; // 31 positions: the 28-step mode
    }
}

bool LineReader::feed(QByteArrayView bytes, QList<QByteArray> &lines)
{
    if (m_overflowed)
        return false;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_partial.isEmpty())
                lines.append(std::exchange(m_partial, {}));
            continue;
        }
        if (m_partial.size() == MaxLineLength) {
            m_overflowed = true;
            m_partial.clear();
            return false;
        }
        m_partial.append(c);
    }
    return true;
}

} // namespace WiThrottle
