#pragma once

#include "alarm.h"
#include "linemodel.h"

#include <QByteArray>
#include <QObject>
#include <deque>

class PseudoTerminal;

// The serial line between the program and the station, on the pseudo-terminal, as a real line
// behaves (see LineModel): what the program writes waits in the pseudo-terminal, its output
// queue, until the line has carried it a frame at a time; what the station sends crosses the
// line a frame at a time too, then waits in the USB converter for its latency. Besides that:
// writes split into chunks with gaps when asked, everything received kept for the capture, and
// the line hung up after a given number of received bytes when asked.
class WireLink final : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        LineModel line; // baud 0: bytes pass at once
        qint64 latencyNs = 0;
        int chunkSize = 0;
        int chunkGapMs = 2;
        qint64 hangUpAfter = -1;
    };

    WireLink(PseudoTerminal &pty, const Options &options, QObject *parent = nullptr);

    // Puts bytes on the line behind those already queued, starting no earlier than now.
    void send(const QByteArray &bytes);
    // The same, starting no earlier than a point of the line's own time (monotonicNs()), which
    // may already be past: the station's answers are timed from when the line delivered what
    // they answer, not from when the simulator got round to it.
    void sendAt(const QByteArray &bytes, qint64 notBeforeNs);
    // When the last bit of the last byte received was over on the line.
    qint64 lastReceivedNs() const { return m_lastReceivedNs; }
    const QByteArray &received() const { return m_received; }

Q_SIGNALS:
    void bytesReceived(const QByteArray &bytes);
    void hungUp();

private:
    struct Segment
    {
        QByteArray bytes;
        qsizetype sent = 0;
        qint64 notBeforeNs = 0;
        bool gapAfter = false;
    };
    struct Waiting
    {
        qint64 count = 0;
        qint64 seenNs = 0; // the program wrote them at this time or before
    };

    void receiveDue();
    void deliverReceived(QByteArray bytes, qint64 atNs);
    void transmitDue();
    void throughLine(char byte, qint64 endNs);
    void handOverConverter();
    void writeOut();
    void dropOutput();
    void hangUp();

    PseudoTerminal &m_pty;
    Options m_options;
    qint64 m_frameNs = 0;
    char m_dataMask = char(0xFF);
    Alarm m_receiveAlarm;
    Alarm m_transmitAlarm;

    std::deque<Waiting> m_waiting;
    qint64 m_waitingCount = 0;
    qint64 m_receiveFreeNs = 0;
    qint64 m_lastReceivedNs = 0;

    std::deque<Segment> m_queue;
    qint64 m_transmitFreeNs = 0;
    QByteArray m_converter;
    qint64 m_converterDueNs = 0;
    QByteArray m_handedOver;
    qint64 m_queuedBytes = 0;

    QByteArray m_received;
    bool m_hungUp = false;
    bool m_warnedFull = false;
};
