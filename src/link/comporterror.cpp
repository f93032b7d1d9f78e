#include "link/comporterror.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace {

QString messageFor(EComPort::Code code, int systemCode)
{
    QString message = EComPort::text(code);
    if (systemCode >= 0)
        message += u" (Error: %1)"_s.arg(systemCode);
    return message;
}

} // namespace

EComPort::EComPort(Code code, int systemCode)
    : KorvantError(messageFor(code, systemCode)), m_code(code), m_systemCode(systemCode)
{}

QString EComPort::text(Code code)
{
    static const QStringList texts{
        u"Unable to open com port"_s,
        u"WriteFile function failed"_s,
        u"ReadFile function failed"_s,
        u"Invalid Async parameter"_s,
        u"PurgeComm function failed"_s,
        u"Unable to get async status"_s,
        u"SetCommState function failed"_s,
        u"SetCommTimeouts failed"_s,
        u"SetupComm function failed"_s,
        u"ClearCommError function failed"_s,
        u"GetCommModemStatus function failed"_s,
        u"EscapeCommFunction function failed"_s,
        u"TransmitCommChar function failed"_s,
        u"Cannot set property while connected"_s,
        u"EnumPorts function failed"_s,
        u"Failed to store settings"_s,
        u"Failed to load settings"_s,
        u"Link (un)registration failed"_s,
        u"Cannot change led state if ComPort is selected"_s,
        u"Cannot wait for event if event thread is created"_s,
        u"WaitForEvent method failed"_s,
        u"A component is linked to OnRxBuf event"_s,
        u"Registry error"_s,
        u"Port Not Open"_s,
    };
    return texts.value(static_cast<int>(code) - 1);
}
