#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>

// ComDataPacket1's class: cuts "$" … "%" packets out of the bytes the station sends.
//
// Setting the start text, stop text, size or case rule to a different value empties the buffer
// and ends a packet in progress; setting the same value again changes nothing, so a partial
// packet survives a detour through pages that route elsewhere. Attaching and detaching only
// record whether the port hands its chunks here; they never touch the buffer.
class TComDataPacket final
{
public:
    using PacketHandler = std::function<void(const QString &packet)>;

    // Whatever is buffered is dropped once this much has piled up without a packet.
    static constexpr qsizetype MaxBufferSize = 1024;

    TComDataPacket() = default;
    Q_DISABLE_COPY_MOVE(TComDataPacket)

    void attach() { m_attached = true; }
    void detach() { m_attached = false; }
    bool isAttached() const { return m_attached; }

    void setOnPacket(PacketHandler handler) { m_onPacket = std::move(handler); }

    void setStartString(const QString &text);
    QString startString() const { return m_start; }
    void setStopString(const QString &text);
    QString stopString() const { return m_stop; }
    // Packet length limit, marks included; 0 means none.
    void setSize(int size);
    int size() const { return m_size; }
    // Compares the marks after upper-casing ASCII letters.
    void setCaseInsensitive(bool on);
    bool caseInsensitive() const { return m_caseInsensitive; }
    // Delivers packets with their marks.
    void setIncludeStrings(bool on) { m_includeStrings = on; }
    bool includeStrings() const { return m_includeStrings; }
    // The station's "$" … "%" packets of at most size characters, marks in either case and
    // left out of what is delivered: how every page that takes packets frames them.
    void setStationFraming(int size);

    // One chunk from the port, one byte to the character with that code. The packet handler
    // runs once per packet cut; a handler that throws leaves the framer consistent, the packet
    // already removed, and the rest of the chunk buffered for the next feed.
    void feed(QByteArrayView chunk);

    QString bufferedText() const { return m_buffer.mid(m_head); }
    bool isInPacket() const { return m_inPacket; }

private:
    QStringView pending() const { return QStringView(m_buffer).mid(m_head); }
    qsizetype packetLength(QStringView rest) const;
    void cutPacket(qsizetype length);
    QString stripMarks(QString packet) const;
    qsizetype find(QStringView text, QStringView mark, qsizetype from) const;
    bool startsWithMark(QStringView text, QStringView mark) const;
    void emptyBuffer();
    void settle();

    bool m_attached = false;
    QString m_start;
    QString m_stop;
    int m_size = 0;
    bool m_caseInsensitive = false;
    bool m_includeStrings = false;
    QString m_buffer;
    qsizetype m_head = 0; // characters before it are already cut; dropped when a feed ends
    bool m_inPacket = false;
    PacketHandler m_onPacket;
};
