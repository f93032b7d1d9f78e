#pragma once

#include "hexrecordtracker.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRandomGenerator>
#include <functional>

// The station's boot loader. For the line-paced uploads it answers XON once a hex record has
// arrived and been written; with the special read of the standard upload it answers every
// character with its echo instead. What it receives is kept by the line for the capture.
//
// Times are the line's own (monotonicNs()): each batch of bytes comes with the time its last
// bit was over, and each answer goes with the time it may start on the line, so the boot
// loader's timings do not depend on how quickly the simulator itself gets round to them.
class BootLoader final
{
public:
    struct Options
    {
        bool specialRead = false;
        bool silent = false;
        int strayBeforeXon = 0;
        bool doubleXon = false;
        int noiseForXon = 0;     // random bytes, never XON, sent instead of XON
        qint64 writeNs = 0;      // time to write a record to flash before it is answered
        qint64 turnaroundNs = 0; // from a character received to the start of its echo
        quint32 seed = 1;
    };

    // send(bytes, notBeforeNs); overrun is called when a record's characters arrive while an
    // earlier record is still being written, as a boot loader that was not waited for would
    // lose them.
    BootLoader(const Options &options, std::function<void(const QByteArray &, qint64)> send,
               std::function<void()> overrun = {});

    void receive(QByteArrayView bytes, qint64 receivedNs);
    int recordsAnswered() const { return m_recordsAnswered; }

private:
    QByteArray answer();

    Options m_options;
    std::function<void(const QByteArray &, qint64)> m_send;
    std::function<void()> m_overrun;
    HexRecordTracker m_tracker;
    QRandomGenerator m_random;
    qint64 m_writingUntilNs = 0;
    bool m_overrunSaid = false;
    int m_recordsAnswered = 0;
};
