#pragma once

#include <QString>

// Named application-wide visual styles. "Windows" is the platform's own look.
namespace Appearance {

// Activates the style whose name equals styleName without regard to case; false when there is
// no such style (the current look then stays).
bool activateStyle(const QString &styleName);

} // namespace Appearance
