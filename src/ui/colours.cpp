#include "ui/colours.h"

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QVariant>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace Colours {

namespace {
constexpr const char *backgroundProperty = "korvantBackground";
}

QColor fromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void clearBackground(QWidget *widget)
{
    widget->setPalette(QPalette());
    widget->setAutoFillBackground(false);
    widget->setProperty(backgroundProperty, QVariant());
}

void setBackground(QWidget *widget, quint32 bgr)
{
    QPalette palette = widget->palette();
    const QColor colour = fromBgr(bgr);
    const bool editable =
        qobject_cast<QAbstractScrollArea *>(widget) || qobject_cast<QLineEdit *>(widget);
    palette.setColor(editable ? QPalette::Base : QPalette::Window, colour);
    // State colours keep their meaning in every style; the text on them must stay readable,
    // also where a dark style would write light text.
    const QColor text = qGray(colour.rgb()) < 128 ? Qt::white : Qt::black;
    palette.setColor(editable ? QPalette::Text : QPalette::WindowText, text);
    if (!editable)
        widget->setAutoFillBackground(true);
    if (widget->property(SelectionHiddenProperty).toBool()) {
        // Hidden means painted as the background is now: a selection in the colour of the last
        // background would show as a band growing over the text.
        palette.setColor(QPalette::Inactive, QPalette::Highlight, colour);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    }
    widget->setPalette(palette);
    widget->setProperty(backgroundProperty, bgr);
}

quint32 background(const QWidget *widget)
{
    const QVariant stored = widget->property(backgroundProperty);
    return stored.isValid() ? stored.toUInt() : 0xFFFFFFFFu;
}

void paintGauge(QProgressBar *gauge)
{
    gauge->setStyleSheet(u"QProgressBar { border: 1px solid palette(mid); }"
                         "QProgressBar::chunk { background: %1; }"_s.arg(fromBgr(Maroon).name()));
}

} // namespace Colours
