#include "cli/packettext.h"

#include "cv/cvreport.h"
#include "link/stationwire.h"
#include "loco/locostatus.h"
#include "platform/korvanterror.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace PacketText {

namespace {

// Control characters (C0, DEL and C1) are shown as \xHH: nothing the station sends may steer the
// user's terminal.
QString escaped(QStringView text)
{
    QString shown;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            shown += u"\\x"_s + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            shown += c;
    }
    return shown;
}

// A packet's own line end is left out.
QString printable(QStringView packet)
{
    return escaped(packet.endsWith(u"\r\n") ? packet.chopped(2) : packet);
}

QString locoText(const LocoStatus &status, int loco)
{
    QStringList functions;
    const int lamps = status.lamps[loco - 1];
    for (int f = 1; f <= LocoStatus::LocoCount; ++f) {
        if (functionBit(lamps, f))
            functions.append(QString::number(f));
    }
    return u"loco %1: address %2, speed %3 of %4, %5, headlight %6, functions %7"_s.arg(loco)
        .arg(status.addresses[loco - 1])
        .arg(status.speeds[loco - 1])
        .arg(speedSliderMaximum(status.speedSteps, loco))
        .arg(directionBit(status.directions, loco) ? u"left"_s : u"right"_s)
        .arg(headlightBit(lamps) ? u"on"_s : u"off"_s)
        .arg(functions.isEmpty() ? u"none"_s : functions.join(u' '));
}

QString decodedStatus(const QString &packet)
{
    const std::optional<LocoStatus> status = decodeLocoStatus(packet);
    if (!status)
        return u"ignored: not %1 characters"_s.arg(LocoStatus::PacketLength);
    QStringList locos;
    for (int loco = 1; loco <= LocoStatus::LocoCount; ++loco)
        locos.append(locoText(*status, loco));
    return locos.join(u"; "_s);
}

QString decodedReport(const QString &packet)
{
    const std::optional<CvReport> report = decodeCvReport(packet);
    if (!report)
        return u"ignored: not a CV report"_s;
    if (report->cv == 0)
        return u"names no CV: incompatible data"_s;
    return u"CV %1 = %2"_s.arg(report->cv).arg(report->value);
}

} // namespace

int packetSize(Page page)
{
    switch (page) {
    case Page::Link:
        return StationWire::LocoStatusPacketSize;
    case Page::Cv:
        return StationWire::CvPacketSize;
    case Page::Turnout:
        break;
    }
    return StationWire::TurnoutPacketSize;
}

QString describe(Page page, const QString &packet)
{
    try {
        switch (page) {
        case Page::Link:
            return printable(packet) + u'\t' + decodedStatus(packet);
        case Page::Cv:
            return printable(packet) + u'\t' + decodedReport(packet);
        case Page::Turnout:
            break;
        }
        // The turnout page shows what comes as it comes: nothing to decode per packet.
        return printable(packet);
    } catch (const KorvantError &e) {
        // The failure's text quotes the packet's field, control characters and all.
        return printable(packet) + u"\tmalformed: "_s + escaped(e.message());
    }
}

} // namespace PacketText
