#pragma once

#include <QElapsedTimer>

// Paces bytes to a line speed of baud/10 bytes a second (start bit, eight data bits, stop
// bit). A short burst may go at once, as a UART's FIFO would take it; an idle line does not
// save up more than that.
class LinePacer final
{
public:
    explicit LinePacer(int baud);

    bool isPaced() const { return m_bytesPerMs > 0; }
    // Bytes that may pass now; unlimited when not paced.
    qint64 allowance();
    void consume(qint64 bytes);
    // How long until at least one more byte may pass.
    int msUntilNextByte();

private:
    void refill();

    double m_bytesPerMs = 0;
    double m_burst = 1;
    double m_tokens = 0;
    qint64 m_lastNs = 0;
    QElapsedTimer m_clock;
};
