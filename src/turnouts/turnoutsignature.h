#pragma once

#include <QStringView>

// Every turnout table starts with the same seven bytes, so its memory image text starts with
// the same 21 characters. The CV sequence, the other memory image the station receives, never
// can: its CV numbers ascend.
namespace TurnoutSignature {

inline constexpr QStringView SignatureDigits = u"030405060F040A";
inline constexpr QStringView SignatureLineStart = u":03,04,05,06,0F,04,0A";

bool startsTurnoutTable(QStringView memoryImageText);

} // namespace TurnoutSignature
