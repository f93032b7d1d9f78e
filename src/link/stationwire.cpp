#include "link/stationwire.h"

namespace StationWire {

QString charsFromBytes(QByteArrayView bytes)
{
    QString text;
    appendChars(text, bytes);
    return text;
}

void appendChars(QString &text, QByteArrayView bytes)
{
    const qsizetype old = text.size();
    text.resize(old + bytes.size());
    QChar *out = text.data() + old;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(char16_t(static_cast<uchar>(bytes[i])));
}

QByteArray bytesFromChars(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(text[i].unicode() & 0xFF);
    return bytes;
}

QString framePacket(QStringView content)
{
    QString packet;
    packet.reserve(content.size() + 2);
    packet.append(QChar(PacketStart));
    packet.append(content);
    packet.append(QChar(PacketStop));
    return packet;
}

} // namespace StationWire
