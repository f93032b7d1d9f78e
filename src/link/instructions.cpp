#include "link/instructions.h"

#include "link/hexdigits.h"

using namespace Qt::Literals::StringLiterals;

namespace Instructions {

namespace {

QString form(char16_t letter, QChar first, QStringView rest)
{
    QString text;
    text.reserve(InstructionLength);
    text.append(u':');
    text.append(QChar(letter));
    text.append(first);
    text.append(rest);
    return text;
}

QChar zeroBasedLoco(int loco)
{
    return QChar(char16_t(u'0' + (loco - 1)));
}

// "0"-"3" on the wire; 1-4 here; 0 for anything else.
int locoFromZeroBased(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'3') ? u - u'0' + 1 : 0;
}

int locoFromOneBased(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'1' && u <= u'4') ? u - u'0' : 0;
}

std::optional<Instruction> parseSpeed(QStringView text)
{
    const int loco = locoFromOneBased(text[2]);
    const std::optional<int> position = HexDigits::fieldValue(text.mid(3, 2));
    if (loco == 0 || !position)
        return std::nullopt;
    return Instruction{Instruction::Kind::Speed, loco, *position};
}

std::optional<Instruction> parseToggle(Instruction::Kind kind, QStringView text)
{
    const int loco = locoFromZeroBased(text[2]);
    if (loco == 0 || text.mid(3) != u"00")
        return std::nullopt;
    return Instruction{kind, loco, 0};
}

std::optional<Instruction> parseFunction(QStringView text)
{
    const int index = functionIndexOf(text[2]);
    if (index == 0 || text.mid(3) != u"00")
        return std::nullopt;
    return Instruction{Instruction::Kind::Function, (index - 1) / FunctionsPerLoco + 1,
                       (index - 1) % FunctionsPerLoco + 1};
}

std::optional<Instruction> parseFixed(Instruction::Kind kind, QStringView text, QStringView form)
{
    if (text != form)
        return std::nullopt;
    return Instruction{kind, 0, 0};
}

} // namespace

QString speed(int loco, int position)
{
    return form(u'S', QChar(char16_t(u'0' + loco)), HexDigits::byteText(position));
}

QString direction(int loco)
{
    return form(u'D', zeroBasedLoco(loco), u"00");
}

QString headlight(int loco)
{
    return form(u'H', zeroBasedLoco(loco), u"00");
}

QString function(int loco, int function)
{
    return form(u'F', functionIndexChar(FunctionsPerLoco * (loco - 1) + function), u"00");
}

QString emergencyStop()
{
    return u":E000"_s;
}

QString cvPageOpened()
{
    return u":X100"_s;
}

QChar functionIndexChar(int index)
{
    if (index >= 1 && index <= 9)
        return QChar(char16_t(u'0' + index));
    return QChar(char16_t(u'a' + (index - 10)));
}

int functionIndexOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'1' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'g')
        return u - u'a' + 10;
    return 0;
}

std::optional<Instruction> parse(QStringView text)
{
    if (text.size() != InstructionLength || text[0] != u':')
        return std::nullopt;
    switch (text[1].unicode()) {
    case u'S':
        return parseSpeed(text);
    case u'D':
        return parseToggle(Instruction::Kind::Direction, text);
    case u'H':
        return parseToggle(Instruction::Kind::Headlight, text);
    case u'F':
        return parseFunction(text);
    case u'E':
        return parseFixed(Instruction::Kind::EmergencyStop, text, u":E000");
    case u'X':
        return parseFixed(Instruction::Kind::CvPageOpened, text, u":X100");
    default:
        return std::nullopt;
    }
}

QString text(const Instruction &instruction)
{
    switch (instruction.kind) {
    case Instruction::Kind::Speed:
        return speed(instruction.loco, instruction.value);
    case Instruction::Kind::Direction:
        return direction(instruction.loco);
    case Instruction::Kind::Headlight:
        return headlight(instruction.loco);
    case Instruction::Kind::Function:
        return function(instruction.loco, instruction.value);
    case Instruction::Kind::EmergencyStop:
        return emergencyStop();
    case Instruction::Kind::CvPageOpened:
        return cvPageOpened();
    }
    return {};
}

} // namespace Instructions
