#include "bootloader.h"

#include "link/stationwire.h"

BootLoader::BootLoader(const Options &options, std::function<void(const QByteArray &)> send)
    : m_options(options), m_send(std::move(send))
{}

void BootLoader::receive(QByteArrayView bytes)
{
    if (m_options.silent)
        return;
    if (m_options.specialRead) {
        m_send(bytes.toByteArray());
        return;
    }
    for (const char c : bytes) {
        // A malformed record is answered too: the program waits for XON after every line it
        // sends, and a boot loader that kept quiet would hold it up for nothing.
        if (m_tracker.take(c) != HexRecordTracker::Result::Pending)
            answerRecord();
    }
}

void BootLoader::answerRecord()
{
    ++m_recordsAnswered;
    m_send(QByteArray(m_options.strayBeforeXon, '#') + StationWire::Xon);
}
