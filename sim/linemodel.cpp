#include "linemodel.h"

#include <QRegularExpression>
#include <ctime>

using namespace Qt::Literals::StringLiterals;

double FrameShape::bits() const
{
    return 1.0 + dataBits + (parity == 'N' ? 0.0 : 1.0) + stopHalfBits / 2.0;
}

QString FrameShape::name() const
{
    const QString stop = stopHalfBits == 3 ? u"1.5"_s : QString::number(stopHalfBits / 2);
    return QString::number(dataBits) + QChar::fromLatin1(parity) + stop;
}

std::optional<FrameShape> FrameShape::parse(const QString &text)
{
    static const QRegularExpression form(u"^([5-8])([NEOMS])(1|1\\.5|2)$"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    FrameShape shape;
    shape.dataBits = match.captured(1).toInt();
    shape.parity = match.captured(2).toUpper().at(0).toLatin1();
    const QString stop = match.captured(3);
    shape.stopHalfBits = stop == u"1"_s ? 2 : stop == u"2"_s ? 4 : 3;
    return shape;
}

qint64 LineModel::frameNs() const
{
    if (baud <= 0)
        return 0;
    return qint64(frame.bits() * 1e9 / baud + 0.5);
}

double LineModel::seconds(qint64 characters) const
{
    return baud <= 0 ? 0.0 : double(characters) * frame.bits() / baud;
}

qint64 monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

UploadText UploadText::of(const QByteArray &text)
{
    UploadText counted;
    counted.characters = text.size();
    const qsizetype ends = text.count('\r') + text.count('\n');
    counted.lineCharacters = text.size() - ends;
    counted.lines = text.count('\n') + (!text.isEmpty() && !text.endsWith('\n') ? 1 : 0);
    return counted;
}

namespace UploadLimit {

double standard(const LineModel &line, const UploadText &text)
{
    return line.seconds(text.characters);
}

double specialRead(const LineModel &line, const StationTimings &station, const UploadText &text)
{
    const double perCharacter =
        2.0 * line.seconds(1) + station.turnaroundSeconds + station.latencySeconds;
    return double(text.characters) * perCharacter;
}

double direct(const LineModel &line, const StationTimings &station, const UploadText &text)
{
    const double perLine = line.seconds(1) + station.writeSeconds + station.latencySeconds;
    return line.seconds(text.lineCharacters) + double(text.lines) * perLine;
}

} // namespace UploadLimit
