#include "cv/cvreport.h"

#include "link/hexdigits.h"

namespace {

constexpr qsizetype CvField = 1;
constexpr qsizetype ValueField = 4;
constexpr qsizetype FieldLength = 2;

std::optional<int> field(QStringView packet, qsizetype at)
{
    return HexDigits::fieldValue(packet.mid(at, FieldLength));
}

} // namespace

std::optional<CvReport> decodeCvReport(QStringView packet)
{
    const std::optional<int> cv = field(packet, CvField);
    const std::optional<int> value = field(packet, ValueField);
    if (!cv || !value)
        return std::nullopt;
    return CvReport{*cv, *value};
}

QString encodeCvReport(const CvReport &report, CvReportForm form)
{
    QString text;
    text.append(u'C');
    HexDigits::appendByte(text, report.cv);
    text.append(u'=');
    HexDigits::appendByte(text, report.value);
    if (form == CvReportForm::WithLineEnd)
        text.append(u"\r\n");
    return text;
}
