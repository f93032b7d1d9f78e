#include "wirelink.h"

#include "pty.h"

#include <cstdio>

namespace {

// Nobody reading the line must not grow the queue without end.
constexpr qint64 MaxQueuedBytes = 1 << 20;
constexpr qsizetype MaxCapturedBytes = qsizetype(64) << 20;

} // namespace

WireLink::WireLink(PseudoTerminal &pty, const Options &options, QObject *parent)
    : QObject(parent), m_pty(pty), m_options(options), m_readPacer(options.baud),
      m_writePacer(options.baud)
{
    m_clock.start();
    m_readTimer.setSingleShot(true);
    m_writeTimer.setSingleShot(true);
    connect(&m_pty, &PseudoTerminal::readyRead, this, &WireLink::readPending);
    connect(&m_pty, &PseudoTerminal::readyWrite, this, &WireLink::pump);
    connect(&m_pty, &PseudoTerminal::failed, this, &WireLink::hangUp);
    connect(&m_readTimer, &QTimer::timeout, this, [this] { m_pty.setReadEnabled(true); });
    connect(&m_writeTimer, &QTimer::timeout, this, &WireLink::pump);
}

void WireLink::send(const QByteArray &bytes)
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
        m_queue.push_back({bytes.mid(at, step), 0, m_options.chunkSize > 0});
    m_queuedBytes += bytes.size();
    if (!m_writeTimer.isActive())
        pump();
}

void WireLink::readPending()
{
    const qint64 allowed = m_readPacer.allowance();
    if (allowed <= 0) {
        // Leave the bytes with the line until it may take more: that is what paces the sender.
        m_pty.setReadEnabled(false);
        m_readTimer.start(m_readPacer.msUntilNextByte());
        return;
    }
    QByteArray bytes = m_pty.read(qsizetype(std::min<qint64>(allowed, 65536)));
    if (bytes.isEmpty())
        return;
    m_readPacer.consume(bytes.size());
    bytes = takeWithinHangUpLimit(std::move(bytes));
    if (m_received.size() + bytes.size() <= MaxCapturedBytes)
        m_received.append(bytes);
    if (!bytes.isEmpty())
        Q_EMIT bytesReceived(bytes);
    if (m_options.hangUpAfter >= 0 && m_received.size() >= m_options.hangUpAfter)
        hangUp();
}

void WireLink::hangUp()
{
    if (m_hungUp)
        return;
    m_hungUp = true;
    dropOutput();
    m_readTimer.stop();
    m_pty.hangUp();
    Q_EMIT hungUp();
}

QByteArray WireLink::takeWithinHangUpLimit(QByteArray bytes)
{
    if (m_options.hangUpAfter >= 0)
        bytes.truncate(std::max<qint64>(0, m_options.hangUpAfter - m_received.size()));
    return bytes;
}

void WireLink::pump()
{
    while (!m_queue.empty()) {
        const qint64 now = m_clock.elapsed();
        if (now < m_gapUntilMs) {
            m_writeTimer.start(int(m_gapUntilMs - now));
            return;
        }
        Segment &segment = m_queue.front();
        qint64 length = segment.bytes.size() - segment.sent;
        const qint64 allowed = m_writePacer.allowance();
        if (allowed <= 0) {
            m_writeTimer.start(m_writePacer.msUntilNextByte());
            return;
        }
        length = std::min(length, allowed);
        const qsizetype written =
            m_pty.write(QByteArrayView(segment.bytes.constData() + segment.sent, length));
        if (written < 0) {
            dropOutput();
            return;
        }
        if (written == 0) {
            m_pty.watchWritable();
            return;
        }
        m_writePacer.consume(written);
        segment.sent += written;
        m_queuedBytes -= written;
        if (segment.sent == segment.bytes.size()) {
            if (segment.gapAfter)
                m_gapUntilMs = m_clock.elapsed() + m_options.chunkGapMs;
            m_queue.pop_front();
        }
    }
}

void WireLink::dropOutput()
{
    m_queue.clear();
    m_queuedBytes = 0;
    m_writeTimer.stop();
}
