#pragma once

#include <QString>
#include <functional>

class TComPort;
struct SharedState;

// The one road of interactive instructions to the station (`DoInstruction`): silent while a
// status packet is being applied, it discards what is queued, lets the user interface catch
// up, and writes the instruction only while the link is open.
class InstructionChannel final
{
public:
    using EventPump = std::function<void()>;

    InstructionChannel(TComPort &port, SharedState &state, EventPump processEvents);

    void DoInstruction(const QString &sDir);

private:
    TComPort &m_port;
    SharedState &m_state;
    EventPump m_processEvents;
};
