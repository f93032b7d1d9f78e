#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPainter;

// A small banded report: a page header and a page footer on every page, a column header under
// the page header, and detail records asked for one at a time until the source says there are
// no more. Lengths are millimetres from the top left of the band. Pages are Letter portrait
// with 10 mm margins; the report draws with QPainter on any paged device (a PDF writer or a
// printer) and knows nothing of widgets.
class BandReport final
{
public:
    enum Edge
    {
        NoEdge = 0,
        Top = 1,
        Bottom = 2,
        Left = 4,
        Right = 8,
        AllEdges = 15
    };

    struct Label
    {
        QString objectName; // the report's own name for the label ("qrlCVNumber3")
        QString text;
        QRectF rectMm;
        int pointSize = 8;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        bool enabled = true;
    };

    struct Band
    {
        qreal heightMm = 6;
        QList<Label> labels;
        int lines = NoEdge; // frame lines along the band's edges
        bool enabled = true;
        Label *label(const QString &objectName);
    };

    // Called once before each run; then once a record: fill the detail band and return true,
    // or return false when there are no more records. A disabled band prints nothing.
    using BeforePrint = std::function<void()>;
    using NeedData = std::function<bool(Band &detail)>;

    static constexpr qreal MarginMm = 10;
    static constexpr qreal PageWidthMm = 215.9;
    static constexpr qreal PageHeightMm = 279.4;
    static constexpr qreal ContentWidthMm = PageWidthMm - 2 * MarginMm;

    QString title;
    Band pageHeader;
    Band columnHeader;
    Band detail; // the template each record starts from
    Band pageFooter;
    int frame = NoEdge; // lines along the edges of the report area
    BeforePrint beforePrint;
    NeedData needData;

    // Runs the report and lays its bands out on pages; the rows of each page.
    QList<QList<Band>> paginate() const;
    // Draws every page on the device (a new page between them); the number of pages.
    int print(QPagedPaintDevice &device) const;

private:
    void drawPage(QPainter &painter, const QList<Band> &rows) const;
};
