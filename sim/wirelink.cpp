#include "wirelink.h"

#include "pty.h"

#include <algorithm>
#include <cstdio>

namespace {

// Nobody reading the line must not grow the queue without end.
constexpr qint64 MaxQueuedBytes = 1 << 20;
constexpr qsizetype MaxCapturedBytes = qsizetype(64) << 20;
// The common converters' USB packet holds 62 bytes of data: a full one goes at once, whatever
// the latency.
constexpr qsizetype ConverterPacketBytes = 62;
// A long run of characters is taken a millisecond's worth at a time rather than one wake-up
// per character; a run's last character is always taken on time.
constexpr qint64 BatchNs = 1000000;

qint64 wakeFor(qint64 nextEndNs, qint64 runEndNs, qint64 nowNs)
{
    return std::min(runEndNs, std::max(nextEndNs, nowNs + BatchNs));
}

} // namespace

WireLink::WireLink(PseudoTerminal &pty, const Options &options, QObject *parent)
    : QObject(parent), m_pty(pty), m_options(options), m_frameNs(options.line.frameNs()),
      m_dataMask(char(options.line.frame.dataMask()))
{
    connect(&m_pty, &PseudoTerminal::readyRead, this, &WireLink::receiveDue);
    connect(&m_pty, &PseudoTerminal::readyWrite, this, &WireLink::writeOut);
    connect(&m_pty, &PseudoTerminal::failed, this, &WireLink::hangUp);
    connect(&m_receiveAlarm, &Alarm::rang, this, &WireLink::receiveDue);
    connect(&m_transmitAlarm, &Alarm::rang, this, &WireLink::transmitDue);
}

void WireLink::send(const QByteArray &bytes)
{
    sendAt(bytes, monotonicNs());
}

void WireLink::sendAt(const QByteArray &bytes, qint64 notBeforeNs)
{
    if (m_hungUp || bytes.isEmpty())
        return;
    if (m_queuedBytes + bytes.size() > MaxQueuedBytes) {
        if (!m_warnedFull)
            std::fputs("korvant-station-sim: nobody reads the line; output dropped\n", stderr);
        m_warnedFull = true;
        return;
    }
    const qsizetype step = m_options.chunkSize > 0 ? m_options.chunkSize : bytes.size();
    for (qsizetype at = 0; at < bytes.size(); at += step)
        m_queue.push_back({bytes.mid(at, step), 0, notBeforeNs, m_options.chunkSize > 0});
    m_queuedBytes += bytes.size();
    transmitDue();
}

// What the program wrote waits in the pseudo-terminal until the line has carried it. Bytes are
// counted from the moment they were first seen there: never earlier than the program wrote them.
void WireLink::receiveDue()
{
    if (m_hungUp)
        return;
    const qint64 now = monotonicNs();
    if (m_frameNs == 0) {
        QByteArray bytes = m_pty.read(65536);
        if (!bytes.isEmpty())
            deliverReceived(std::move(bytes), now);
        return;
    }
    const qsizetype waiting = m_pty.bytesWaiting();
    if (waiting > m_waitingCount) {
        m_waiting.push_back({waiting - m_waitingCount, now});
        m_waitingCount = waiting;
    }
    qint64 due = 0;
    while (!m_waiting.empty()) {
        Waiting &front = m_waiting.front();
        const qint64 firstEnd = std::max(m_receiveFreeNs, front.seenNs) + m_frameNs;
        if (firstEnd > now)
            break;
        const qint64 count = std::min(front.count, 1 + (now - firstEnd) / m_frameNs);
        m_receiveFreeNs = firstEnd + (count - 1) * m_frameNs;
        due += count;
        front.count -= count;
        if (front.count > 0)
            break;
        m_waiting.pop_front();
    }
    m_waitingCount -= due;
    if (due > 0) {
        QByteArray bytes = m_pty.read(due);
        if (bytes.size() != due) {
            // Something else took bytes from under us: count afresh from what is there now.
            m_waiting.clear();
            m_waitingCount = 0;
        }
        if (!bytes.isEmpty())
            deliverReceived(std::move(bytes), m_receiveFreeNs);
        if (m_hungUp)
            return;
    }
    if (m_waiting.empty()) {
        m_receiveAlarm.cancel();
        m_pty.setReadEnabled(true);
        return;
    }
    // Until the next byte is over the line, the pseudo-terminal's readiness tells nothing new.
    m_pty.setReadEnabled(false);
    qint64 nextEnd = -1;
    qint64 runEnd = m_receiveFreeNs;
    for (const Waiting &group : m_waiting) {
        if (nextEnd < 0)
            nextEnd = std::max(runEnd, group.seenNs) + m_frameNs;
        runEnd = std::max(runEnd, group.seenNs) + group.count * m_frameNs;
    }
    m_receiveAlarm.ringAt(wakeFor(nextEnd, runEnd, now));
}

void WireLink::deliverReceived(QByteArray bytes, qint64 atNs)
{
    m_lastReceivedNs = atNs;
    if (m_options.hangUpAfter >= 0)
        bytes.truncate(std::max<qint64>(0, m_options.hangUpAfter - m_received.size()));
    if (m_dataMask != char(0xFF)) {
        for (char &b : bytes)
            b &= m_dataMask;
    }
    if (m_received.size() + bytes.size() <= MaxCapturedBytes)
        m_received.append(bytes);
    if (!bytes.isEmpty())
        Q_EMIT bytesReceived(bytes);
    if (m_options.hangUpAfter >= 0 && m_received.size() >= m_options.hangUpAfter)
        hangUp();
}

void WireLink::transmitDue()
{
    if (m_hungUp)
        return;
    const qint64 now = monotonicNs();
    while (!m_queue.empty()) {
        Segment &segment = m_queue.front();
        const qint64 firstEnd = std::max(m_transmitFreeNs, segment.notBeforeNs) + m_frameNs;
        if (firstEnd > now)
            break;
        const qsizetype left = segment.bytes.size() - segment.sent;
        const qsizetype count =
            m_frameNs == 0 ? left
                           : qsizetype(std::min<qint64>(left, 1 + (now - firstEnd) / m_frameNs));
        for (qsizetype i = 0; i < count; ++i)
            throughLine(segment.bytes.at(segment.sent + i), firstEnd + i * m_frameNs);
        segment.sent += count;
        m_transmitFreeNs = firstEnd + (count - 1) * m_frameNs;
        if (segment.sent < segment.bytes.size())
            break;
        if (segment.gapAfter)
            m_transmitFreeNs += qint64(m_options.chunkGapMs) * 1000000;
        m_queue.pop_front();
    }
    if (!m_converter.isEmpty() && m_converterDueNs <= now)
        handOverConverter();
    writeOut();

    qint64 wake = -1;
    if (!m_queue.empty()) {
        const Segment &segment = m_queue.front();
        const qint64 start = std::max(m_transmitFreeNs, segment.notBeforeNs);
        const qint64 runEnd = start + (segment.bytes.size() - segment.sent) * m_frameNs;
        wake = wakeFor(start + m_frameNs, runEnd, now);
    }
    if (!m_converter.isEmpty())
        wake = wake < 0 ? m_converterDueNs : std::min(wake, m_converterDueNs);
    if (wake < 0)
        m_transmitAlarm.cancel();
    else
        m_transmitAlarm.ringAt(wake);
}

// A byte whose last bit is over reaches the program at once, or through the converter: it
// holds what comes until its latency timer, started by the first byte, runs out.
void WireLink::throughLine(char byte, qint64 endNs)
{
    byte &= m_dataMask;
    if (m_options.latencyNs <= 0) {
        m_handedOver.append(byte);
        return;
    }
    if (!m_converter.isEmpty() && m_converterDueNs <= endNs)
        handOverConverter();
    if (m_converter.isEmpty())
        m_converterDueNs = endNs + m_options.latencyNs;
    m_converter.append(byte);
    if (m_converter.size() >= ConverterPacketBytes)
        handOverConverter();
}

void WireLink::handOverConverter()
{
    m_handedOver += m_converter;
    m_converter.clear();
}

void WireLink::writeOut()
{
    while (!m_handedOver.isEmpty()) {
        const qsizetype written = m_pty.write(m_handedOver);
        if (written < 0) {
            dropOutput();
            return;
        }
        if (written == 0) {
            m_pty.watchWritable();
            return;
        }
        m_handedOver.remove(0, written);
        m_queuedBytes -= written;
    }
}

void WireLink::hangUp()
{
    if (m_hungUp)
        return;
    m_hungUp = true;
    dropOutput();
    m_receiveAlarm.cancel();
    m_pty.hangUp();
    Q_EMIT hungUp();
}

void WireLink::dropOutput()
{
    m_queue.clear();
    m_converter.clear();
    m_handedOver.clear();
    m_queuedBytes = 0;
    m_transmitAlarm.cancel();
}
