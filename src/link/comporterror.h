#pragma once

#include "platform/korvanterror.h"

// A failing port operation. Its text comes from the port error table, followed by
// " (Error: n)" when the system gave an error code.
class EComPort final : public KorvantError
{
public:
    enum Code
    {
        OpenFailed = 1,
        WriteFailed = 2,
        ReadFailed = 3,
        AsyncParameter = 4,
        PurgeFailed = 5,
        AsyncStatus = 6,
        SetStateFailed = 7,
        SetTimeoutsFailed = 8,
        SetupFailed = 9,
        ClearErrorFailed = 10,
        ModemStatusFailed = 11,
        EscapeFailed = 12,
        TransmitCharFailed = 13,
        SetWhileConnected = 14,
        EnumPortsFailed = 15,
        StoreFailed = 16,
        LoadFailed = 17,
        LinkRegistration = 18,
        LedState = 19,
        WaitWithThread = 20,
        WaitFailed = 21,
        RxBufLinked = 22,
        RegistryError = 23,
        NotOpen = 24
    };

    // systemCode < 0: none known.
    EComPort(Code code, int systemCode = -1);

    Code code() const { return m_code; }
    int systemCode() const { return m_systemCode; }

    static QString text(Code code);

private:
    Code m_code;
    int m_systemCode;
};
