#pragma once

#include "hexrecordtracker.h"

#include <QByteArray>
#include <QByteArrayView>
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
    };

    BootLoader(const Options &options, std::function<void(const QByteArray &)> send);

    void receive(QByteArrayView bytes);
    int recordsAnswered() const { return m_recordsAnswered; }

private:
    void answerRecord();

    Options m_options;
    std::function<void(const QByteArray &)> m_send;
    HexRecordTracker m_tracker;
    int m_recordsAnswered = 0;
};
