#include "turnouts/turnoutreport.h"

#include "platform/sheetbands.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using SheetBands::label;

constexpr qreal Width = BandReport::ContentWidthMm;
constexpr qreal GroupColumnMm = 30;

} // namespace

TurnoutReport::TurnoutReport(const QString &mainCaption, QList<TurnoutReportRow> rows,
                             const QString &webSite, const QDateTime &printedAt)
    : m_mainCaption(mainCaption), m_rows(std::move(rows))
{
    m_report.title = u"Turnout Printout"_s;
    m_report.pageHeader = SheetBands::captionHeader(u"Turnout printout"_s);
    m_report.columnHeader.heightMm = 7;
    m_report.columnHeader.labels = {
        label(u"qrlGroupsTitle"_s, u"Groups"_s, {2, 0, GroupColumnMm, 7}, 8),
        label(u"qrlNumDirTitle"_s, u"Route Number and Direction"_s,
              {GroupColumnMm, 0, Width - GroupColumnMm, 7}, 8)};
    m_report.detail.heightMm = 6;
    m_report.detail.lines = BandReport::Bottom;
    m_report.detail.labels = {
        label(u"qrlGroups"_s, QString(), {2, 0, GroupColumnMm - 2, 6}, 8),
        label(u"qrlNumDir"_s, QString(), {GroupColumnMm, 0, Width - GroupColumnMm - 2, 6}, 8)};
    m_report.pageFooter.heightMm = 7;
    m_report.pageFooter.labels = {
        label(u"qrlWebSite"_s, webSite, {0, 0, Width, 7}, 8, Qt::AlignCenter),
        label(u"qrsDateTime"_s, SheetBands::printedAtText(printedAt), {0, 0, Width - 2, 7}, 8,
              Qt::AlignRight | Qt::AlignVCenter)};
    m_report.frame = BandReport::Bottom | BandReport::Right;
    m_report.beforePrint = [this] {
        QRPQuickrep1BeforePrint();
    };
    m_report.needData = [this](BandReport::Band &detail) {
        return QRPQuickrep1NeedData(detail);
    };
}

void TurnoutReport::QRPQuickrep1BeforePrint()
{
    m_row = 1;
    SheetBands::captionBeforePrint(m_report, m_mainCaption);
}

bool TurnoutReport::QRPQuickrep1NeedData(BandReport::Band &detail)
{
    if (m_row > GroupCount)
        return false;
    const TurnoutReportRow row = m_rows.value(m_row - 1);
    detail.enabled = row.checked;
    if (row.checked) {
        detail.label(u"qrlGroups"_s)->text = row.caption;
        detail.label(u"qrlNumDir"_s)->text = row.entries;
    }
    ++m_row;
    return true;
}
