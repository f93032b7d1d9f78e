#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/packettext.h"
#include "cli/stationport.h"
#include "link/comport.h"
#include "link/packetframer.h"
#include "platform/korvanterror.h"
#include "platform/signalwatcher.h"

#include <QEventLoop>

using namespace Qt::Literals::StringLiterals;

namespace Cli {

namespace {

PacketText::Page pageNamed(const QString &name)
{
    if (name == u"cv"_s)
        return PacketText::Page::Cv;
    if (name == u"turnout"_s)
        return PacketText::Page::Turnout;
    return PacketText::Page::Link;
}

} // namespace

int runMonitor(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"Prints each packet the station sends, one a line, framed as the "
                            "chosen page frames them: the packet, and for the link and cv pages "
                            "a tab and what the page reads in it (loco status, CV report). Runs "
                            "until interrupted (Ctrl+C, SIGTERM: exit status 0) or until --count "
                            "packets were printed. Nothing is sent to the station."_s);
    StationPort::addOptions(args);
    args.addOption(QCommandLineOption(
        u"page"_s, u"The page whose packets to expect: link (default), cv or turnout."_s,
        u"PAGE"_s));
    args.addOption(QCommandLineOption(u"count"_s, u"Stop after this many packets."_s, u"N"_s));
    if (!args.parse(arguments))
        return Success;
    const QString pageName = args.choice(u"page"_s, {u"link"_s, u"cv"_s, u"turnout"_s});
    const PacketText::Page page = pageNamed(pageName);
    const int count = args.positiveNumber(u"count"_s, 0);
    const StationPort::Choice choice = StationPort::chosen(args);

    QEventLoop loop;
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &loop,
                     &QEventLoop::quit);
    TComPort port;
    QString lost;
    QObject::connect(&port, &TComPort::deviceLost, &loop, [&](const QString &message) {
        lost = message;
        loop.exit(Failure);
    });
    StationPort::open(port, choice);

    TComDataPacket framer;
    int printed = 0;
    framer.setStationFraming(PacketText::packetSize(page));
    framer.setOnPacket([&](const QString &packet) {
        if (count > 0 && printed >= count)
            return; // the rest of a chunk that held more than were asked for
        Output::line(PacketText::describe(page, packet));
        Output::flush();
        if (++printed == count)
            loop.quit();
    });
    framer.attach();
    port.setDataSink([&framer](QByteArrayView chunk) { framer.feed(chunk); });
    Output::status(u"Monitoring %1 at %2 baud, %3 page packets; Ctrl+C ends.\n"_s.arg(
        choice.port, StationPort::baudName(port), pageName));
    const int status = loop.exec();
    port.setDataSink({});
    if (status != Success)
        throw KorvantError(lost);
    return Success;
}

} // namespace Cli
