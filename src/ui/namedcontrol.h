#pragma once

#include <QString>
#include <utility>

// Every control carries its object name: the settings, the tests and the user's guide find it
// by that name, so no control is made without one.
template <class Control, class... Args>
Control *namedControl(const QString &objectName, Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)...);
    control->setObjectName(objectName);
    return control;
}
