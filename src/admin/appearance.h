#pragma once

#include <QString>
#include <QStringList>

// Named application-wide visual styles. "Windows" is the platform's own look; the others are
// built in: Qt's Fusion style with a palette and a few drawing rules each.
namespace Appearance {

// "Windows" first, then the built-in styles.
QStringList styleNames();

// Activates the style whose name equals styleName without regard to case, for every window at
// once; false when there is no such style (the current look then stays).
bool activateStyle(const QString &styleName);

// The catalogue's spelling of the active style.
QString activeStyleName();

} // namespace Appearance
