#pragma once

#include <QByteArray>

// What the direct upload modes put on the line: the hex text without its line ends.
inline QByteArray withoutTerminators(QByteArray hex)
{
    return hex.replace("\r\n", "");
}
