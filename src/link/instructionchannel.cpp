#include "link/instructionchannel.h"

#include "link/comport.h"
#include "link/stationwire.h"
#include "shell/sharedstate.h"

InstructionChannel::InstructionChannel(TComPort &port, SharedState &state,
                                       ProtocolSource txProtocol, EventPump processEvents)
    : m_port(port), m_state(state), m_txProtocol(std::move(txProtocol)),
      m_processEvents(std::move(processEvents))
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
    // Both transmit protocols put the same bytes on the line and return when they are out;
    // here they share the one write of the port.
    Q_UNUSED(m_txProtocol)
    m_port.write(StationWire::bytesFromChars(sDir));
}
