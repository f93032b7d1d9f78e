#include "packetsender.h"

#include "link/stationwire.h"
#include "wirelink.h"

PacketSender::PacketSender(WireLink &link, const Options &options)
    : m_link(link), m_options(options), m_random(options.seed)
{}

void PacketSender::send(const QString &content)
{
    ++m_sent;
    const bool malform = m_options.malformedEvery > 0 && m_sent % m_options.malformedEvery == 0;
    QByteArray bytes = noise();
    bytes += StationWire::bytesFromChars(
        StationWire::framePacket(malform ? malformed(content) : content));
    m_link.send(bytes);
}

// Any byte but the start mark, which would open a packet of its own.
QByteArray PacketSender::noise()
{
    QByteArray bytes(m_options.noiseBytes, Qt::Uninitialized);
    for (char &b : bytes) {
        do {
            b = char(m_random.bounded(256));
        } while (b == char(StationWire::PacketStart));
    }
    return bytes;
}

// The second character, a hex digit in every packet the station sends, becomes "G".
QString PacketSender::malformed(QString content) const
{
    if (content.size() < 2)
        return content + u'G';
    content[1] = u'G';
    return content;
}
