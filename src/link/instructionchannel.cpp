#include "link/instructionchannel.h"

#include "link/comport.h"
#include "link/sharedstate.h"
#include "link/stationwire.h"

InstructionChannel::InstructionChannel(TComPort &port, SharedState &state, EventPump processEvents)
    : m_port(port), m_state(state), m_processEvents(std::move(processEvents))
{}

void InstructionChannel::DoInstruction(const QString &sDir)
{
    // The station's own report is being shown: a slider moved by it must not echo back.
    if (m_state.StatusUpdating)
        return;
    struct ClearStatusUpdating
    {
        SharedState &state;
        ~ClearStatusUpdating() { state.StatusUpdating = false; }
    } guard{m_state};

    m_port.clearBuffers(true, true);
    if (m_processEvents)
        m_processEvents();
    if (!m_state.LinkOpen)
        return;
    // The "Synchronous" and "Asynchronous" transmit protocols differ only in the platform calls
    // of another system; both put the same bytes on the line and return when they are out, so
    // they share the port's one write here.
    m_port.write(StationWire::bytesFromChars(sDir));
}
