#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// The upload's progress on standard error for a person watching a terminal: percentage, bytes,
// rate and time left on one line that redraws itself. Silent when standard error is not a
// terminal, so scripts and logs get the Start and End lines only.
class ProgressBar final
{
public:
    ProgressBar(qint64 totalBytes, bool shown);
    Q_DISABLE_COPY_MOVE(ProgressBar)

    void update(qint64 bytesDone);
    // Ends the bar's line, so what follows starts on a line of its own.
    void end();

private:
    void draw();

    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_shown = false;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1;
    qint64 m_drawnDone = -1;
};
