#pragma once

#include "platform/textencoding.h"

#include <QByteArrayView>
#include <QStringList>

namespace Fuzz {

// A hex file's bytes as the Firmware Upgrade page holds them: decoded by its byte-order mark,
// line breaks made CR LF, one entry a line, a trailing empty line not counted.
inline QStringList hexFileLines(QByteArrayView bytes)
{
    const QString text = TextEncoding::withCrLf(TextEncoding::decode(bytes.toByteArray()).text);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace Fuzz
