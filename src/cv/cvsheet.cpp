#include "cv/cvsheet.h"

#include "platform/sheetbands.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using SheetBands::label;

constexpr qreal Width = BandReport::ContentWidthMm;
constexpr qreal SlotWidth = Width / CvSheet::SlotsPerRow;
constexpr qreal NumberWidth = SlotWidth * 0.6;

} // namespace

CvSheet::CvSheet(const QString &mainCaption, QList<CvSheetEntry> entries, const QString &webSite,
                 const QDateTime &printedAt)
    : m_mainCaption(mainCaption), m_entries(std::move(entries))
{
    m_report.title = u"Turnout Printout"_s; // the title both sheets have always printed under
    m_report.pageHeader = SheetBands::captionHeader(u"CV Values"_s);
    m_report.columnHeader.heightMm = 7;
    m_report.columnHeader.lines = BandReport::Top;
    m_report.columnHeader.labels = {label(
        u"qrlColumnTitle"_s, u"CV number followed by respective value"_s, {2, 0, Width - 4, 7}, 8)};
    m_report.detail.heightMm = 6;
    m_report.detail.lines = BandReport::Top | BandReport::Bottom;
    for (int k = 1; k <= SlotsPerRow; ++k) {
        const qreal left = (k - 1) * SlotWidth + 1;
        m_report.detail.labels.append(
            label(u"qrlCVNumber%1"_s.arg(k), QString(), {left, 0, NumberWidth, 6}, 8));
        m_report.detail.labels.append(label(u"qrlCVValue%1"_s.arg(k), QString(),
                                            {left + NumberWidth, 0, SlotWidth - NumberWidth - 1, 6},
                                            8));
    }
    m_report.pageFooter.heightMm = 7;
    m_report.pageFooter.labels = {label(u"qrlWebSite"_s, webSite, {2, 0, Width / 2, 7}, 8),
                                  label(u"qrsDateTime"_s, SheetBands::printedAtText(printedAt),
                                        {Width / 2, 0, Width / 2 - 2, 7}, 8,
                                        Qt::AlignRight | Qt::AlignVCenter)};
    m_report.frame = BandReport::AllEdges;
    m_report.beforePrint = [this] {
        QRPQuickrep1BeforePrint();
    };
    m_report.needData = [this](BandReport::Band &detail) {
        return QRPQuickrep1NeedData(detail);
    };
}

void CvSheet::QRPQuickrep1BeforePrint()
{
    CVReportIndex = 1;
    SheetBands::captionBeforePrint(m_report, m_mainCaption);
}

bool CvSheet::QRPQuickrep1NeedData(BandReport::Band &detail)
{
    if (CVReportIndex >= 255)
        return false;
    detail.enabled = false;
    for (BandReport::Label &l : detail.labels)
        l.enabled = false;
    for (int k = 1; k <= SlotsPerRow; ++k) {
        const CvSheetEntry entry = m_entries.value(CVReportIndex - 1);
        if (entry.exists && entry.selected) {
            detail.enabled = true;
            BandReport::Label *number = detail.label(u"qrlCVNumber%1"_s.arg(k));
            BandReport::Label *value = detail.label(u"qrlCVValue%1"_s.arg(k));
            number->enabled = value->enabled = true;
            number->text = entry.caption + u" ="_s;
            value->text = entry.value;
        }
        ++CVReportIndex;
    }
    return true;
}
