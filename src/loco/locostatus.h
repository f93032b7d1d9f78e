#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// The station's report of its four loco slots: fourteen bytes, each two hex digits, 28
// characters between the "$" and "%" marks. Locos are numbered 1 to 4.
struct LocoStatus
{
    static constexpr int LocoCount = 4;
    static constexpr int PacketLength = 28;

    std::array<int, LocoCount> addresses{};
    std::array<int, LocoCount> speeds{};
    int speedSteps = 0;                 // two bits per loco, see speedSliderMaximum
    int directions = 0;                 // bit n-1 for loco n; 1 shows the left-facing loco
    std::array<int, LocoCount> lamps{}; // bit 4 headlight, bits 0-3 functions 1-4

    bool operator==(const LocoStatus &) const = default;
};

// Nothing for a packet whose length is not 28 (such packets are ignored). A field that is not
// two hex digits throws the conversion error before anything is returned, so a caller never
// applies half a packet. Digits are read in either case.
std::optional<LocoStatus> decodeLocoStatus(QStringView packet);
// The 28 upper-case digits; each field's low eight bits.
QString encodeLocoStatus(const LocoStatus &status);

// The slider maximum the speed-step byte gives loco n: its low bit n-1 and high bit n+3 select
// 14 (00), 31 (01), 128 (10) or 31 (11).
int speedSliderMaximum(int speedStepByte, int loco);
// The bits loco n contributes to the speed-step byte for a slider maximum of 14, 31 or 128.
int speedStepBits(int loco, int sliderMaximum);

bool directionBit(int directionByte, int loco);
bool headlightBit(int lampByte);
bool functionBit(int lampByte, int function);

// Both direction buttons' caption: "Loco " + address, CR LF, the speed with three digits.
QString locoCaption(int address, int speed);
