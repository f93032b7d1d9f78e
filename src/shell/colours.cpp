#include "shell/colours.h"

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace Colours {

namespace {
constexpr const char *backgroundProperty = "korvantBackground";
}

QColor fromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void setBackground(QWidget *widget, quint32 bgr)
{
    QPalette palette = widget->palette();
    const QColor colour = fromBgr(bgr);
    const bool editable =
        qobject_cast<QAbstractScrollArea *>(widget) || qobject_cast<QLineEdit *>(widget);
    palette.setColor(editable ? QPalette::Base : QPalette::Window, colour);
    if (!editable)
        widget->setAutoFillBackground(true);
    widget->setPalette(palette);
    widget->setProperty(backgroundProperty, bgr);
}

quint32 background(const QWidget *widget)
{
    const QVariant stored = widget->property(backgroundProperty);
    return stored.isValid() ? stored.toUInt() : 0xFFFFFFFFu;
}

} // namespace Colours
