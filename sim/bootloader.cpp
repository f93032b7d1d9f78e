#include "bootloader.h"

#include "link/stationwire.h"

#include <algorithm>

BootLoader::BootLoader(const Options &options, std::function<void(const QByteArray &, qint64)> send,
                       std::function<void()> overrun)
    : m_options(options), m_send(std::move(send)), m_overrun(std::move(overrun)),
      m_random(options.seed)
{}

void BootLoader::receive(QByteArrayView bytes, qint64 receivedNs)
{
    if (m_options.silent)
        return;
    if (m_options.specialRead) {
        m_send(bytes.toByteArray(), receivedNs + m_options.turnaroundNs);
        return;
    }
    for (const char c : bytes) {
        if (receivedNs < m_writingUntilNs && c != '\r' && c != '\n' && !m_overrunSaid &&
            m_overrun) {
            m_overrunSaid = true;
            m_overrun();
        }
        // A malformed record is answered too: the program waits for XON after every line it
        // sends, and a boot loader that kept quiet would hold it up for nothing.
        if (m_tracker.take(c) == HexRecordTracker::Result::Pending)
            continue;
        // Records that come while one is being written queue up behind it.
        if (receivedNs >= m_writingUntilNs)
            m_overrunSaid = false;
        m_writingUntilNs = std::max(receivedNs, m_writingUntilNs) + m_options.writeNs;
        ++m_recordsAnswered;
        m_send(answer(), m_writingUntilNs);
    }
}

QByteArray BootLoader::answer()
{
    if (m_options.noiseForXon > 0) {
        QByteArray noise(m_options.noiseForXon, Qt::Uninitialized);
        for (char &b : noise) {
            do {
                b = char(m_random.bounded(256));
            } while (b == StationWire::Xon);
        }
        return noise;
    }
    QByteArray bytes(m_options.strayBeforeXon, '#');
    bytes += StationWire::Xon;
    if (m_options.doubleXon)
        bytes += StationWire::Xon;
    return bytes;
}
