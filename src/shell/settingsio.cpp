#include "shell/settingsio.h"

#include "link/comport.h"
#include "platform/korvanterror.h"
#include "platform/settingsstore.h"

#include <algorithm>
#include <functional>

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

const QString RemoteBrowserThrottle = u"RemoteBrowserThrottle"_s;
const QString RemoteBrowserThrottlePort = u"RemoteBrowserThrottlePort"_s;
const QString RemoteBrowserAccessCode = u"RemoteBrowserAccessCode"_s;
const QString RemoteWiThrottle = u"RemoteWiThrottle"_s;
const QString RemoteWiThrottlePort = u"RemoteWiThrottlePort"_s;
const QStringList RemoteNames{RemoteBrowserThrottle, RemoteBrowserThrottlePort,
                              RemoteBrowserAccessCode, RemoteWiThrottle, RemoteWiThrottlePort};

// Runs one read; a value of the wrong type leaves what it would have set as it was.
void keepOnError(QStringList &errors, const std::function<void()> &read)
{
    if (const QString failure = failureOf(read); !failure.isEmpty())
        errors.append(failure);
}

void readPort(const SettingsStore &store, const QString &name, int &port, QStringList &errors)
{
    if (!store.valueExists(name))
        return;
    keepOnError(errors, [&] {
        const qint32 stored = store.readInteger(name);
        if (stored >= 1 && stored <= 65535)
            port = stored;
        else
            errors.append(
                u"'%1' holds %2, which is no TCP port (1 to 65535): %3 is used."_s.arg(name)
                    .arg(stored)
                    .arg(port));
    });
}

void readSwitch(const SettingsStore &store, const QString &name, bool &on, QStringList &errors)
{
    if (store.valueExists(name))
        keepOnError(errors, [&] { on = store.readBool(name); });
}

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
    remote.accessCode = readStringOr(store, RemoteBrowserAccessCode, {}, errors);
    readSwitch(store, RemoteBrowserThrottle, remote.browserThrottle, errors);
    readPort(store, RemoteBrowserThrottlePort, remote.browserPort, errors);
    readSwitch(store, RemoteWiThrottle, remote.wiThrottle, errors);
    readPort(store, RemoteWiThrottlePort, remote.wiThrottlePort, errors);
    return remote;
}

void saveRemote(SettingsStore &store, const RemoteSettings &remote)
{
    const bool stored = std::any_of(RemoteNames.begin(), RemoteNames.end(),
                                    [&](const QString &name) { return store.valueExists(name); });
    if (remote == RemoteSettings{} && !stored)
        return;
    store.writeBool(RemoteBrowserThrottle, remote.browserThrottle);
    store.writeInteger(RemoteBrowserThrottlePort, remote.browserPort);
    store.writeString(RemoteBrowserAccessCode, remote.accessCode);
    store.writeBool(RemoteWiThrottle, remote.wiThrottle);
    store.writeInteger(RemoteWiThrottlePort, remote.wiThrottlePort);
}

} // namespace SettingsIO
