#include "stationinput.h"

namespace {

constexpr qsizetype InstructionLength = 5;
constexpr qsizetype ImageMarkAt = 3;
// Longer than any image line; whatever grows past it is not one.
constexpr qsizetype MaxLineLength = 64;

} // namespace

void StationInput::feed(QStringView chars)
{
    for (const QChar c : chars)
        take(c);
}

bool StationInput::flush()
{
    if (m_state != State::ImageLine)
        return false;
    endImageLine();
    return true;
}

void StationInput::take(QChar c)
{
    if (c == u':') {
        // A new start: whatever was being gathered was cut short and is dropped.
        m_token = QString(c);
        m_state = State::Head;
        return;
    }
    switch (m_state) {
    case State::Idle:
        return;
    case State::Head:
        if (c == u'\r' || c == u'\n') {
            m_state = State::Idle;
            return;
        }
        m_token.append(c);
        if (m_token.size() == ImageMarkAt + 1 && c == u',') {
            m_state = State::ImageLine;
        } else if (m_token.size() == InstructionLength) {
            m_state = State::Idle;
            if (onInstruction)
                onInstruction(m_token);
        }
        return;
    case State::ImageLine:
        if (c == u'\n') {
            endImageLine();
        } else if (m_token.size() >= MaxLineLength) {
            m_state = State::Idle;
        } else {
            m_token.append(c);
        }
        return;
    }
}

void StationInput::endImageLine()
{
    m_state = State::Idle;
    if (m_token.endsWith(u'\r'))
        m_token.chop(1);
    if (onImageLine)
        onImageLine(m_token);
}
