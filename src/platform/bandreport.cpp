#include "platform/bandreport.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace {

// Safety net against a source that never says it is done.
constexpr int MaxRecords = 100000;

// The painter draws in millimetres; a font's point size must shrink by the same scale.
void drawBand(QPainter &painter, const BandReport::Band &band, qreal topMm)
{
    const qreal millimetresPerDot = 1.0 / painter.transform().m11();
    const qreal left = BandReport::MarginMm;
    const qreal width = BandReport::ContentWidthMm;
    for (const BandReport::Label &label : band.labels) {
        if (!label.enabled || label.text.isEmpty())
            continue;
        QFont font = painter.font();
        font.setPointSizeF(label.pointSize * millimetresPerDot);
        painter.setFont(font);
        painter.drawText(label.rectMm.translated(left, topMm), int(label.alignment), label.text);
    }
    const QRectF box(left, topMm, width, band.heightMm);
    if (band.lines & BandReport::Top)
        painter.drawLine(box.topLeft(), box.topRight());
    if (band.lines & BandReport::Bottom)
        painter.drawLine(box.bottomLeft(), box.bottomRight());
}

} // namespace

BandReport::Label *BandReport::Band::label(const QString &objectName)
{
    for (Label &l : labels) {
        if (l.objectName == objectName)
            return &l;
    }
    return nullptr;
}

QList<QList<BandReport::Band>> BandReport::paginate() const
{
    if (beforePrint)
        beforePrint();
    const qreal rowSpace = PageHeightMm - 2 * MarginMm - pageHeader.heightMm -
                           columnHeader.heightMm - pageFooter.heightMm;
    QList<QList<Band>> pages{{}};
    qreal used = 0;
    for (int record = 0; needData && record < MaxRecords; ++record) {
        Band row = detail;
        if (!needData(row))
            break;
        if (!row.enabled)
            continue;
        if (used + row.heightMm > rowSpace && !pages.last().isEmpty()) {
            pages.append(QList<Band>());
            used = 0;
        }
        pages.last().append(row);
        used += row.heightMm;
    }
    return pages;
}

int BandReport::print(QPagedPaintDevice &device) const
{
    device.setPageSize(QPageSize(QPageSize::Letter));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    const QList<QList<Band>> pages = paginate();
    QPainter painter(&device);
    // Millimetres from the page's top left, whatever the device's resolution.
    const qreal dotsPerMm = device.logicalDpiX() / 25.4;
    painter.scale(dotsPerMm, device.logicalDpiY() / 25.4);
    QPen pen(Qt::black);
    pen.setWidthF(0.2);
    painter.setPen(pen);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        drawPage(painter, pages.at(i));
    }
    return int(pages.size());
}

void BandReport::drawPage(QPainter &painter, const QList<Band> &rows) const
{
    qreal top = MarginMm;
    drawBand(painter, pageHeader, top);
    top += pageHeader.heightMm;
    drawBand(painter, columnHeader, top);
    top += columnHeader.heightMm;
    for (const Band &row : rows) {
        drawBand(painter, row, top);
        top += row.heightMm;
    }
    const qreal footerTop = PageHeightMm - MarginMm - pageFooter.heightMm;
    drawBand(painter, pageFooter, footerTop);

    const QRectF area(MarginMm, MarginMm, ContentWidthMm, PageHeightMm - 2 * MarginMm);
    if (frame & Top)
        painter.drawLine(area.topLeft(), area.topRight());
    if (frame & Bottom)
        painter.drawLine(area.bottomLeft(), area.bottomRight());
    if (frame & Left)
        painter.drawLine(area.topLeft(), area.bottomLeft());
    if (frame & Right)
        painter.drawLine(area.topRight(), area.bottomRight());
}
