#pragma once

#include <QFrame>

// A small coloured panel that acts on a click: the Link page's lamps.
class ClickablePanel final : public QFrame
{
    Q_OBJECT

public:
    explicit ClickablePanel(const QString &objectName, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
