#include "platform/sheetbands.h"

#include <QDateTime>
#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace SheetBands {

BandReport::Label label(const QString &objectName, const QString &text, QRectF rectMm,
                        int pointSize, Qt::Alignment alignment)
{
    return BandReport::Label{objectName, text, rectMm, pointSize, alignment, true};
}

BandReport::Band captionHeader(const QString &subtitle)
{
    constexpr qreal Width = BandReport::ContentWidthMm;
    BandReport::Band header;
    header.heightMm = 18;
    header.labels = {label(u"qrtTitre"_s, QString(), {0, 1, Width, 7}, 12, Qt::AlignCenter),
                     label(u"qrlSubTitle"_s, subtitle, {0, 9, Width, 7}, 12, Qt::AlignCenter)};
    return header;
}

void captionBeforePrint(BandReport &report, const QString &mainCaption)
{
    report.pageHeader.label(u"qrtTitre"_s)->text = mainCaption;
}

QString printedAtText(const QDateTime &printedAt)
{
    return QLocale::c().toString(printedAt, u"yyyy-MM-dd HH:mm:ss"_s);
}

} // namespace SheetBands
