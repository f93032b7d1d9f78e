#include "linepacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

LinePacer::LinePacer(int baud)
{
    if (baud <= 0)
        return;
    m_bytesPerMs = baud / 10.0 / 1000.0;
    m_burst = std::max(1.0, m_bytesPerMs * 10.0);
    m_tokens = m_burst;
    m_clock.start();
}

void LinePacer::refill()
{
    const qint64 now = m_clock.nsecsElapsed();
    m_tokens = std::min(m_burst, m_tokens + (now - m_lastNs) / 1e6 * m_bytesPerMs);
    m_lastNs = now;
}

qint64 LinePacer::allowance()
{
    if (!isPaced())
        return std::numeric_limits<qint64>::max();
    refill();
    return qint64(std::floor(m_tokens));
}

void LinePacer::consume(qint64 bytes)
{
    if (isPaced())
        m_tokens -= double(bytes);
}

int LinePacer::msUntilNextByte()
{
    if (!isPaced())
        return 0;
    refill();
    return std::max(1, int(std::ceil((1.0 - m_tokens) / m_bytesPerMs)));
}
