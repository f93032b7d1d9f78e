#pragma once

#include "link/instructions.h"
#include "loco/locostatus.h"

#include <array>

// The station's four loco slots, changed by instructions and reported as a status packet.
class LocoSlots final
{
public:
    struct Slot
    {
        int address = 3;
        int sliderMaximum = 31; // 14, 31 (28 steps) or 128
        int speed = 0;
        bool reversed = false;
        bool headlight = false;
        int functions = 0; // bits 0-3
    };

    LocoSlots(const std::array<int, 4> &addresses, const std::array<int, 4> &sliderMaxima);

    // False for an instruction that has no status answer.
    bool apply(const Instructions::Instruction &instruction);
    LocoStatus status() const;
    const Slot &slot(int loco) const { return m_slots.at(loco - 1); }

private:
    std::array<Slot, 4> m_slots;
};
