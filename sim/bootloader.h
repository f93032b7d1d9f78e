#pragma once

#include "hexrecordtracker.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRandomGenerator>
#include <QTimer>
#include <functional>

// The station's boot loader. For the line-paced uploads it answers XON once a hex record has
// arrived; with the special read of the standard upload it answers every character with its
// echo instead. What it receives is kept by the line for the capture.
class BootLoader final
{
public:
    struct Options
    {
        bool specialRead = false;
        bool silent = false;
        int strayBeforeXon = 0;
        bool doubleXon = false;
        int noiseForXon = 0; // random bytes, never XON, sent instead of XON
        int xonDelayMs = 0;  // time to write a record to flash before it is answered
        quint32 seed = 1;
    };

    // overrun is called when a record's characters arrive while an earlier record is still
    // being written, as a boot loader that was not waited for would lose them.
    BootLoader(const Options &options, std::function<void(const QByteArray &)> send,
               std::function<void()> overrun = {});

    void receive(QByteArrayView bytes);
    int recordsAnswered() const { return m_recordsAnswered; }

private:
    void recordEnded();
    void answerRecord();
    QByteArray answer();

    Options m_options;
    std::function<void(const QByteArray &)> m_send;
    std::function<void()> m_overrun;
    HexRecordTracker m_tracker;
    QRandomGenerator m_random;
    QTimer m_writing;
    int m_unanswered = 0;
    bool m_overrunSaid = false;
    int m_recordsAnswered = 0;
};
