#pragma once

#include "platform/bandreport.h"

class QDateTime;

// What the printed sheets share: their labels, the page header with the main window's caption
// over the sheet's own subtitle, and the printing time as their footers show it.
namespace SheetBands {

BandReport::Label label(const QString &objectName, const QString &text, QRectF rectMm,
                        int pointSize, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

// "qrtTitre", empty until captionBeforePrint fills it, over "qrlSubTitle".
BandReport::Band captionHeader(const QString &subtitle);
void captionBeforePrint(BandReport &report, const QString &mainCaption);

QString printedAtText(const QDateTime &printedAt);

} // namespace SheetBands
