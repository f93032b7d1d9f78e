#include "link/packetframer.h"

#include "link/stationwire.h"

namespace {

constexpr char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

// Drops what was cut and applies the overflow rule, also when a packet handler throws.
class SettleGuard final
{
public:
    explicit SettleGuard(std::function<void()> settle) : m_settle(std::move(settle)) {}
    ~SettleGuard() { m_settle(); }
    Q_DISABLE_COPY_MOVE(SettleGuard)

private:
    std::function<void()> m_settle;
};

} // namespace

void TComDataPacket::setStartString(const QString &text)
{
    if (text == m_start)
        return;
    m_start = text;
    emptyBuffer();
}

void TComDataPacket::setStopString(const QString &text)
{
    if (text == m_stop)
        return;
    m_stop = text;
    emptyBuffer();
}

void TComDataPacket::setSize(int size)
{
    if (size == m_size)
        return;
    m_size = size;
    emptyBuffer();
}

void TComDataPacket::setStationFraming(int size)
{
    setCaseInsensitive(true);
    setIncludeStrings(false);
    setStartString(QString(QChar(StationWire::PacketStart)));
    setStopString(QString(QChar(StationWire::PacketStop)));
    setSize(size);
}

void TComDataPacket::setCaseInsensitive(bool on)
{
    if (on == m_caseInsensitive)
        return;
    m_caseInsensitive = on;
    emptyBuffer();
}

void TComDataPacket::feed(QByteArrayView chunk)
{
    StationWire::appendChars(m_buffer, chunk);
    SettleGuard guard([this] { settle(); });
    // Without a size or a stop text nothing could ever end a packet: hand each chunk on whole.
    if (m_size <= 0 && m_stop.isEmpty()) {
        const QString whole = pending().toString();
        m_head = m_buffer.size();
        if (m_onPacket)
            m_onPacket(whole);
        return;
    }
    for (;;) {
        if (!m_inPacket) {
            const qsizetype at = find(pending(), m_start, 0);
            if (at < 0)
                return;
            m_head += at;
            m_inPacket = true;
        }
        const qsizetype length = packetLength(pending());
        if (length < 0)
            return;
        cutPacket(length);
    }
}

// A stop text within the size ends the packet there; only a run of size characters without one
// is cut at the size. Testing the size first would swallow the start of a short packet that
// follows another in the same chunk, and lose it.
qsizetype TComDataPacket::packetLength(QStringView rest) const
{
    if (!m_stop.isEmpty()) {
        const QStringView window = m_size > 0 ? rest.left(m_size) : rest;
        const qsizetype at = find(window, m_stop, m_start.size());
        if (at >= 0)
            return at + m_stop.size();
    }
    if (m_size > 0 && rest.size() >= m_size)
        return m_size;
    return -1;
}

void TComDataPacket::cutPacket(qsizetype length)
{
    QString packet = pending().left(length).toString();
    m_head += length;
    m_inPacket = false;
    if (!m_includeStrings)
        packet = stripMarks(std::move(packet));
    if (m_onPacket)
        m_onPacket(packet);
}

QString TComDataPacket::stripMarks(QString packet) const
{
    if (!m_start.isEmpty() && startsWithMark(packet, m_start))
        packet.remove(0, m_start.size());
    if (!m_stop.isEmpty()) {
        const qsizetype at = find(packet, m_stop, 0);
        if (at >= 0 && at == packet.size() - m_stop.size())
            packet.chop(m_stop.size());
    }
    return packet;
}

// An empty start text matches at once; an empty stop text never does.
qsizetype TComDataPacket::find(QStringView text, QStringView mark, qsizetype from) const
{
    if (mark.isEmpty())
        return from <= text.size() ? from : -1;
    const qsizetype last = text.size() - mark.size();
    for (qsizetype i = from; i <= last; ++i) {
        if (startsWithMark(text.mid(i), mark))
            return i;
    }
    return -1;
}

bool TComDataPacket::startsWithMark(QStringView text, QStringView mark) const
{
    if (text.size() < mark.size())
        return false;
    for (qsizetype i = 0; i < mark.size(); ++i) {
        char16_t a = text[i].unicode();
        char16_t b = mark[i].unicode();
        if (m_caseInsensitive) {
            a = asciiUpper(a);
            b = asciiUpper(b);
        }
        if (a != b)
            return false;
    }
    return true;
}

void TComDataPacket::emptyBuffer()
{
    m_buffer.clear();
    m_head = 0;
    m_inPacket = false;
}

void TComDataPacket::settle()
{
    m_buffer.remove(0, m_head);
    m_head = 0;
    if (m_buffer.size() >= MaxBufferSize)
        emptyBuffer();
}
