#pragma once

#include <QString>

// What to tell a user whose account may not open a serial port: the group that owns the
// device, and how to join it.
QString serialAccessHint(const QString &devicePath);
