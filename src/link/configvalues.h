#pragma once

#include "link/portdefaults.h"

// What the Configuration page sets: the port's time-outs and buffer sizes and the upload
// options. Plain values, so the pages that use them and the settings reader need no page.
struct ConfigValues
{
    int readInterval = PortDefaults::ReadInterval;
    int readTotalConstant = PortDefaults::ReadTotalConstant;
    int readTotalMultiplier = PortDefaults::ReadTotalMultiplier;
    int writeTotalConstant = PortDefaults::WriteTotalConstant;
    int writeTotalMultiplier = PortDefaults::WriteTotalMultiplier;
    int txProtocol = 0;
    int rxProtocol = 0;
    bool specialRead = false;
    bool onRxEvent = false;
    int bufferIn = PortDefaults::BufferSize;
    int bufferOut = PortDefaults::BufferSize;
    bool showSelection = false;
    bool showFeedback = true;
    bool clearToSend = false;
    bool specialDirect = true;
    bool specialDirectComm = false;
};
