#include "cli/progressbar.h"

#include "cli/output.h"

#include <QString>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int BarWidth = 30;
constexpr qint64 RedrawMs = 100;

QString timeLeft(qint64 bytesLeft, double bytesPerSecond)
{
    if (bytesPerSecond <= 0)
        return u"--:--"_s;
    const qint64 seconds = qRound64(double(bytesLeft) / bytesPerSecond);
    return u"%1:%2"_s.arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

} // namespace

ProgressBar::ProgressBar(qint64 totalBytes, bool shown) : m_total(totalBytes), m_shown(shown)
{
    m_clock.start();
}

void ProgressBar::update(qint64 bytesDone)
{
    m_done = bytesDone;
    if (!m_shown)
        return;
    // A terminal redrawn for every byte would slow the upload it shows.
    const qint64 now = m_clock.elapsed();
    if (m_lastDrawMs >= 0 && now - m_lastDrawMs < RedrawMs && m_done < m_total)
        return;
    m_lastDrawMs = now;
    draw();
}

void ProgressBar::end()
{
    if (!m_shown)
        return;
    if (m_drawnDone != m_done)
        draw();
    Output::status(u"\n"_s);
}

void ProgressBar::draw()
{
    const double fraction = m_total > 0 ? double(m_done) / double(m_total) : 1.0;
    const int filled = int(fraction * BarWidth);
    const double seconds = double(m_clock.elapsed()) / 1000.0;
    const double rate = seconds > 0 ? double(m_done) / seconds : 0.0;
    Output::status(u"\r%1% [%2%3] %4/%5 bytes  %6 kB/s  %7 left "_s.arg(int(fraction * 100), 3)
                       .arg(QString(filled, u'#'), QString(BarWidth - filled, u'-'))
                       .arg(m_done)
                       .arg(m_total)
                       .arg(rate / 1000.0, 0, 'f', 1)
                       .arg(timeLeft(m_total - m_done, rate)));
    m_drawnDone = m_done;
}
