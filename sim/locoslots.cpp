#include "locoslots.h"

#include <algorithm>

LocoSlots::LocoSlots(const std::array<int, 4> &addresses, const std::array<int, 4> &sliderMaxima)
{
    for (int i = 0; i < 4; ++i) {
        m_slots[i].address = addresses[i];
        m_slots[i].sliderMaximum = sliderMaxima[i];
    }
}

bool LocoSlots::apply(const Instructions::Instruction &instruction)
{
    using Kind = Instructions::Instruction::Kind;
    switch (instruction.kind) {
    case Kind::Speed: {
        Slot &slot = m_slots.at(instruction.loco - 1);
        slot.speed = std::min(instruction.value, slot.sliderMaximum);
        return true;
    }
    case Kind::Direction:
        m_slots.at(instruction.loco - 1).reversed ^= true;
        return true;
    case Kind::Headlight:
        m_slots.at(instruction.loco - 1).headlight ^= true;
        return true;
    case Kind::Function:
        m_slots.at(instruction.loco - 1).functions ^= 1 << (instruction.value - 1);
        return true;
    case Kind::EmergencyStop:
        for (Slot &slot : m_slots)
            slot.speed = 0;
        return true;
    case Kind::CvPageOpened:
        // The CV page frames 10-character reports; a status packet there would read as
        // garbage CV reports, so the station keeps quiet.
        return false;
    }
    return false;
}

LocoStatus LocoSlots::status() const
{
    LocoStatus status;
    for (int loco = 1; loco <= 4; ++loco) {
        const Slot &s = slot(loco);
        status.addresses[loco - 1] = s.address;
        status.speeds[loco - 1] = s.speed;
        status.speedSteps |= speedStepBits(loco, s.sliderMaximum);
        status.directions |= s.reversed ? 1 << (loco - 1) : 0;
        status.lamps[loco - 1] = (s.headlight ? 0x10 : 0) | s.functions;
    }
    return status;
}
