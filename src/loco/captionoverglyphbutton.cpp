#include "loco/captionoverglyphbutton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

CaptionOverGlyphButton::CaptionOverGlyphButton(QWidget *parent) : QToolButton(parent)
{
    // Sized by the style as text and icon stacked; only the order is drawn differently.
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

void CaptionOverGlyphButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The frame and its pressed and hover states as the style draws them, then ours on top.
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);

    constexpr int Margin = 4;
    const QRect area = rect().adjusted(Margin, Margin, -Margin, -Margin);
    const QSize glyph = iconSize();
    const QRect glyphRect(
        QPoint(area.center().x() - glyph.width() / 2, area.bottom() - glyph.height() + 1), glyph);
    QRect captionRect = area;
    captionRect.setBottom(glyphRect.top() - 2);
    painter.drawItemText(captionRect, Qt::AlignHCenter | Qt::AlignVCenter, palette(), isEnabled(),
                         text(), QPalette::ButtonText);
    painter.drawItemPixmap(glyphRect, Qt::AlignCenter,
                           icon().pixmap(glyph, isEnabled() ? QIcon::Normal : QIcon::Disabled));
}
