#pragma once

#include <QByteArray>
#include <QString>

// Text on the station's wire: one byte per character, the character's low eight bits; each
// received byte is the character with that code. (Never toLatin1(), which turns characters
// above U+00FF into '?'.)
namespace WireBytes {

QByteArray toBytes(QStringView text);
QString fromBytes(QByteArrayView bytes);

} // namespace WireBytes
