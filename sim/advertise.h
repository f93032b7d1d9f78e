#pragma once

#include <QString>

// A running simulator shows up in the program's port list by a symbolic link named after it
// ("SIM1") to its pseudo-terminal, in advertisedPortsFolder() (link/simulatorports.h):
// $XDG_RUNTIME_DIR/korvant/ports, or /tmp/korvant-<uid>/ports without XDG_RUNTIME_DIR. The
// link goes when the simulator ends; a link left by one that crashed is replaced.
class Advertisement final
{
public:
    Advertisement(const QString &name, const QString &target);
    ~Advertisement();
    Q_DISABLE_COPY_MOVE(Advertisement)

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString linkPath() const { return m_linkPath; }

    // A name the folder can hold: not empty, no "/", not "." or "..".
    static bool isUsableName(const QString &name);

private:
    QString m_linkPath;
    QString m_target;
    QString m_error;
};
