#pragma once

#include "linepacer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>

class PseudoTerminal;

// Moves bytes between the pseudo-terminal and the station: paced to the line speed, writes
// split into chunks with gaps when asked, everything received kept for the capture, and the
// line hung up after a given number of received bytes when asked.
class WireLink final : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        int baud = 0;
        int chunkSize = 0;
        int chunkGapMs = 2;
        qint64 hangUpAfter = -1;
    };

    WireLink(PseudoTerminal &pty, const Options &options, QObject *parent = nullptr);

    void send(const QByteArray &bytes);
    const QByteArray &received() const { return m_received; }

Q_SIGNALS:
    void bytesReceived(const QByteArray &bytes);
    void hungUp();

private:
    struct Segment
    {
        QByteArray bytes;
        qsizetype sent = 0;
        bool gapAfter = false;
    };

    void readPending();
    QByteArray takeWithinHangUpLimit(QByteArray bytes);
    void pump();
    void dropOutput();
    void hangUp();

    PseudoTerminal &m_pty;
    Options m_options;
    LinePacer m_readPacer;
    LinePacer m_writePacer;
    QTimer m_readTimer;
    QTimer m_writeTimer;
    QElapsedTimer m_clock;
    qint64 m_gapUntilMs = 0;
    std::deque<Segment> m_queue;
    qint64 m_queuedBytes = 0;
    QByteArray m_received;
    bool m_hungUp = false;
    bool m_warnedFull = false;
};
