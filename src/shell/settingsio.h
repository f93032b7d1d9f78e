#pragma once

#include "link/configvalues.h"

#include <QStringList>

class SettingsStore;
class TComPort;

// What start-up reads from the settings store and what shut-down writes back.
namespace SettingsIO {

// Writes "Version", then sets the port's name, stop bits, data bits and parity and returns the
// style name. A value stored with the wrong type keeps its default; its error is appended to
// errors and the other values are still read.
QString loadAtStartUp(SettingsStore &store, TComPort &port, QStringList &errors);

// Writes every value of the shut-down list, in its order.
void saveAtShutDown(SettingsStore &store, const TComPort &port, const ConfigValues &config,
                    const QString &styleName);

} // namespace SettingsIO
