#include "cli/stationport.h"

#include "cli/commandline.h"
#include "link/comport.h"
#include "link/portdefaults.h"
#include "link/portsettings.h"

using namespace Qt::Literals::StringLiterals;

namespace Cli::StationPort {

namespace {

// A rate with a name is set by its name, so the log lines name it as the page does.
PortSettings::BaudRate namedRate(int bitsPerSecond)
{
    for (const QString &name : PortSettings::baudRateNames()) {
        const PortSettings::BaudRate rate = PortSettings::baudRateFromName(name);
        if (PortSettings::bitsPerSecond(rate) == bitsPerSecond)
            return rate;
    }
    return PortSettings::BaudRate::Custom;
}

} // namespace

void addOptions(Arguments &arguments)
{
    arguments.addOption(QCommandLineOption(
        u"port"_s,
        u"The station's port: a name from 'korvant-cli ports' (ttyUSB0, SIM1) or a device path."_s,
        u"PORT"_s));
    arguments.addOption(
        QCommandLineOption(u"baud"_s, u"Line speed in bits per second (default 57600)."_s, u"N"_s));
}

Choice chosen(const Arguments &arguments)
{
    if (!arguments.isSet(u"port"_s) || arguments.value(u"port"_s).isEmpty())
        arguments.fail(u"--port is missing"_s);
    const int defaultBaud = PortSettings::bitsPerSecond(PortDefaults::BaudRate);
    return {arguments.value(u"port"_s), arguments.positiveNumber(u"baud"_s, defaultBaud)};
}

void open(TComPort &port, const Choice &choice)
{
    try {
        port.setPort(choice.port);
        port.setFlowControl(PortDefaults::FlowControl);
        port.setBaudRate(namedRate(choice.baud));
        port.setCustomBaudRate(choice.baud);
        port.setInputBufferSize(PortDefaults::BufferSize);
        port.setOutputBufferSize(PortDefaults::BufferSize);
        port.setReadInterval(PortDefaults::ReadInterval);
        port.setReadTotalConstant(PortDefaults::ReadTotalConstant);
        port.setReadTotalMultiplier(PortDefaults::ReadTotalMultiplier);
        port.setWriteTotalMultiplier(PortDefaults::WriteTotalMultiplier);
        port.setWriteTotalConstant(PortDefaults::WriteTotalConstant);
        port.open();
        port.clearBuffers(true, true);
    } catch (const KorvantError &e) {
        throw KorvantError(u"cannot open port %1: %2"_s.arg(choice.port, e.message()));
    }
}

QString baudName(const TComPort &port)
{
    if (port.settings().baudRate == PortSettings::BaudRate::Custom)
        return QString::number(port.customBaudRate());
    return PortSettings::name(port.settings().baudRate);
}

} // namespace Cli::StationPort
