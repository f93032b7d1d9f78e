#include "bootloader.h"

#include "link/stationwire.h"

BootLoader::BootLoader(const Options &options, std::function<void(const QByteArray &)> send,
                       std::function<void()> overrun)
    : m_options(options), m_send(std::move(send)), m_overrun(std::move(overrun)),
      m_random(options.seed)
{
    m_writing.setSingleShot(true);
    QObject::connect(&m_writing, &QTimer::timeout, [this] {
        answerRecord();
        m_overrunSaid = false;
        if (--m_unanswered > 0)
            m_writing.start(m_options.xonDelayMs);
    });
}

void BootLoader::receive(QByteArrayView bytes)
{
    if (m_options.silent)
        return;
    if (m_options.specialRead) {
        m_send(bytes.toByteArray());
        return;
    }
    for (const char c : bytes) {
        if (m_unanswered > 0 && c != '\r' && c != '\n' && !m_overrunSaid && m_overrun) {
            m_overrunSaid = true;
            m_overrun();
        }
        // A malformed record is answered too: the program waits for XON after every line it
        // sends, and a boot loader that kept quiet would hold it up for nothing.
        if (m_tracker.take(c) != HexRecordTracker::Result::Pending)
            recordEnded();
    }
}

void BootLoader::recordEnded()
{
    if (m_options.xonDelayMs <= 0) {
        answerRecord();
        return;
    }
    if (m_unanswered++ == 0)
        m_writing.start(m_options.xonDelayMs);
}

void BootLoader::answerRecord()
{
    ++m_recordsAnswered;
    m_send(answer());
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
