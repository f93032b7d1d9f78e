#pragma once

#include <QString>

// Running station simulators advertise their pseudo-terminals as symbolic links named after
// the simulator ("SIM1") in one folder; the port list shows those names and the port opens the
// link's target. The folder: $XDG_RUNTIME_DIR/korvant/ports, or /tmp/korvant-<uid>/ports when
// XDG_RUNTIME_DIR is unset or empty.
QString advertisedPortsFolder();
QString advertisedPortPath(const QString &name);
