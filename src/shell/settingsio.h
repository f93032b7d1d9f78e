#pragma once

#include "link/configvalues.h"
#include "remote/remotesettings.h"

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

// The remote throttles' values, under names of their own ("RemoteBrowserThrottle",
// "RemoteBrowserThrottlePort", "RemoteBrowserAccessCode", "RemoteWiThrottle",
// "RemoteWiThrottlePort"). One of the wrong type, or a port out of range, keeps its default;
// its error is appended to errors.
RemoteSettings loadRemote(const SettingsStore &store, QStringList &errors);

// Written after the described values, and only once they differ from the defaults or were
// stored before: a tool that never used remote throttles keeps the store as described.
void saveRemote(SettingsStore &store, const RemoteSettings &remote);

} // namespace SettingsIO
