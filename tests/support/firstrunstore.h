#pragma once

#include <QJsonObject>

namespace FirstRunStore {

// The store after a first run in which nothing was changed, value for value as described.
inline QJsonObject described()
{
    using namespace Qt::Literals::StringLiterals;
    return QJsonObject{
        {u"Version"_s, u"5.0"_s},
        {u"Port"_s, u"Com1"_s},
        {u"Baud"_s, u"57600"_s},
        {u"Stop"_s, u"1"_s},
        {u"Data"_s, u"8"_s},
        {u"Parity"_s, u"None"_s},
        {u"FlowControl"_s, u"None"_s},
        {u"ReadInterval"_s, -1},
        {u"ReadTotalConstant"_s, 100},
        {u"ReadTotalMultiplier"_s, 100},
        {u"WriteTotalConstant"_s, 1000},
        {u"WriteTotalMultiplier"_s, 100},
        {u"TXProtocol"_s, 0},
        {u"RXProtocol"_s, 0},
        {u"SpecialRead"_s, 0},
        {u"OnRxEvent"_s, 0},
        {u"BufferIn"_s, 1024},
        {u"BufferOut"_s, 1024},
        {u"ShowSelection"_s, 0},
        {u"ShowFeedback"_s, 1},
        {u"ClearToSend"_s, 0},
        {u"SpecialDirect"_s, 1},
        {u"SpecialDirectComm"_s, 0},
        {u"StyleVSF"_s, u"Windows"_s},
    };
}

} // namespace FirstRunStore
