#include "ui/clickablepanel.h"

#include <QMouseEvent>

ClickablePanel::ClickablePanel(const QString &objectName, QWidget *parent) : QFrame(parent)
{
    setObjectName(objectName);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setFixedSize(18, 18);
    setCursor(Qt::PointingHandCursor);
}

void ClickablePanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QFrame::mouseReleaseEvent(event);
}
