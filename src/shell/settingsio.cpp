#include "shell/settingsio.h"

#include "link/comport.h"
#include "platform/korvanterror.h"
#include "platform/settingsstore.h"

using namespace Qt::Literals::StringLiterals;
using namespace PortSettings;

namespace SettingsIO {

namespace {

QString readStringOr(const SettingsStore &store, const QString &name, const QString &missing,
                     QStringList &errors)
{
    if (!store.valueExists(name))
        return missing;
    try {
        return store.readString(name);
    } catch (const KorvantError &e) {
        errors.append(e.message());
        return missing;
    }
}

const QString RemoteWiThrottle = u"RemoteWiThrottle"_s;
const QString RemoteWiThrottlePort = u"RemoteWiThrottlePort"_s;

} // namespace

QString loadAtStartUp(SettingsStore &store, TComPort &port, QStringList &errors)
{
    store.writeString(u"Version"_s, u"5.0"_s);
    TComPort::LineSettings line = port.settings();
    line.port = readStringOr(store, u"Port"_s, u"Com1"_s, errors);
    line.stopBits = stopBitsFromName(readStringOr(store, u"Stop"_s, u"1"_s, errors));
    line.dataBits = dataBitsFromName(readStringOr(store, u"Data"_s, u"8"_s, errors));
    line.parity = parityFromName(readStringOr(store, u"Parity"_s, u"0"_s, errors));
    port.applySettings(line);
    return readStringOr(store, u"StyleVSF"_s, u"Windows"_s, errors);
}

void saveAtShutDown(SettingsStore &store, const TComPort &port, const ConfigValues &config,
                    const QString &styleName)
{
    const TComPort::LineSettings &line = port.settings();
    store.writeString(u"Port"_s, line.port);
    store.writeString(u"Baud"_s, name(line.baudRate));
    store.writeString(u"Stop"_s, name(line.stopBits));
    store.writeString(u"Data"_s, name(line.dataBits));
    store.writeString(u"Parity"_s, name(line.parity));
    store.writeString(u"FlowControl"_s, name(port.flowControl()));
    store.writeInteger(u"ReadInterval"_s, config.readInterval);
    store.writeInteger(u"ReadTotalConstant"_s, config.readTotalConstant);
    store.writeInteger(u"ReadTotalMultiplier"_s, config.readTotalMultiplier);
    store.writeInteger(u"WriteTotalConstant"_s, config.writeTotalConstant);
    store.writeInteger(u"WriteTotalMultiplier"_s, config.writeTotalMultiplier);
    store.writeInteger(u"TXProtocol"_s, config.txProtocol);
    store.writeInteger(u"RXProtocol"_s, config.rxProtocol);
    store.writeBool(u"SpecialRead"_s, config.specialRead);
    store.writeBool(u"OnRxEvent"_s, config.onRxEvent);
    store.writeInteger(u"BufferIn"_s, config.bufferIn);
    store.writeInteger(u"BufferOut"_s, config.bufferOut);
    store.writeBool(u"ShowSelection"_s, config.showSelection);
    store.writeBool(u"ShowFeedback"_s, config.showFeedback);
    store.writeBool(u"ClearToSend"_s, config.clearToSend);
    store.writeBool(u"SpecialDirect"_s, config.specialDirect);
    store.writeBool(u"SpecialDirectComm"_s, config.specialDirectComm);
    store.writeString(u"StyleVSF"_s, styleName);
}

RemoteSettings loadRemote(const SettingsStore &store, QStringList &errors)
{
    RemoteSettings remote;
    try {
        if (store.valueExists(RemoteWiThrottle))
            remote.wiThrottle = store.readBool(RemoteWiThrottle);
    } catch (const KorvantError &e) {
        errors.append(e.message());
    }
    try {
        if (store.valueExists(RemoteWiThrottlePort)) {
            const qint32 port = store.readInteger(RemoteWiThrottlePort);
            if (port >= 1 && port <= 65535)
                remote.wiThrottlePort = port;
            else
                errors.append(u"'%1' holds %2, which is no TCP port (1 to 65535): %3 is used."_s
                                  .arg(RemoteWiThrottlePort)
                                  .arg(port)
                                  .arg(RemoteSettings::DefaultWiThrottlePort));
        }
    } catch (const KorvantError &e) {
        errors.append(e.message());
    }
    return remote;
}

void saveRemote(SettingsStore &store, const RemoteSettings &remote)
{
    if (remote == RemoteSettings{} && !store.valueExists(RemoteWiThrottle) &&
        !store.valueExists(RemoteWiThrottlePort))
        return;
    store.writeBool(RemoteWiThrottle, remote.wiThrottle);
    store.writeInteger(RemoteWiThrottlePort, remote.wiThrottlePort);
}

} // namespace SettingsIO
