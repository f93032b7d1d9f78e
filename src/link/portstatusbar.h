#pragma once

#include <QStatusBar>

class QLabel;
class TComPort;

// The status bar `StatusBar1`: six centred panels summing up the port's settings; panel 5
// also counts bytes during downloads.
class PortStatusBar final : public QStatusBar
{
    Q_OBJECT

public:
    explicit PortStatusBar(QWidget *parent = nullptr);

    void FillStatusBar(const TComPort &port);
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

private:
    QList<QLabel *> m_panels;
};
