#pragma once

#include "link/portsettings.h"

// The port as the program sets it up until the user changes it: the Configuration page's
// defaults, which the command-line tool uses too.
namespace PortDefaults {

inline constexpr PortSettings::BaudRate BaudRate = PortSettings::BaudRate::br57600;
inline constexpr PortSettings::FlowControl FlowControl = PortSettings::FlowControl::None;
inline constexpr int ReadInterval = -1;
inline constexpr int ReadTotalMultiplier = 100;
inline constexpr int ReadTotalConstant = 100;
inline constexpr int WriteTotalMultiplier = 100;
inline constexpr int WriteTotalConstant = 1000;
inline constexpr int BufferSize = 1024;

} // namespace PortDefaults
