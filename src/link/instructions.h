#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The five-character instructions the station takes: ":" + command letter + three operand
// characters, no line end. Locos are numbered 1 to 4 here; each form converts to the numbering
// its operand uses on the wire.
namespace Instructions {

inline constexpr int LocoCount = 4;
inline constexpr int FunctionsPerLoco = 4;
inline constexpr int InstructionLength = 5;

// ":S" + loco 1-4 + the slider position as two upper-case hex digits (":S10A").
QString speed(int loco, int position);
// ":D" + loco 0-3 + "00"; a toggle.
QString direction(int loco);
// ":H" + loco 0-3 + "00"; a toggle.
QString headlight(int loco);
// ":F" + index character + "00"; function 1-4 of loco 1-4, a toggle.
QString function(int loco, int function);
// ":E000": all locos stop.
QString emergencyStop();
// ":X100": sent when the link opens on the CV Programming page.
QString cvPageOpened();

// The function's index 4 × (loco − 1) + function, counted from 1, as one character: "1"-"9",
// then "a"-"g". Past "f" it goes on to "g": a count, not a hexadecimal digit.
QChar functionIndexChar(int index);
// The index a character stands for, or 0.
int functionIndexOf(QChar c);

// An instruction as the station reads it.
struct Instruction
{
    enum class Kind
    {
        Speed,
        Direction,
        Headlight,
        Function,
        EmergencyStop,
        CvPageOpened
    };
    Kind kind = Kind::EmergencyStop;
    int loco = 0;  // 1-4 for the loco forms
    int value = 0; // speed position, or function 1-4
    bool operator==(const Instruction &) const = default;
};

// Nothing for a text that is not one of the forms above (wrong length, unknown letter, loco
// out of range, operand other than the fixed one). Hex digits of a speed are read in either case.
std::optional<Instruction> parse(QStringView text);
QString text(const Instruction &instruction);

} // namespace Instructions
