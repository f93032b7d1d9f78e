#pragma once

#include <QWidget>

class QLabel;

// The Link page: four loco columns under the title `stLinkTitle`.
class LinkPage final : public QWidget
{
    Q_OBJECT

public:
    explicit LinkPage(QWidget *parent = nullptr);

    void showRightFacingLocos();
    void setLinkOpen(bool open);

private:
    QLabel *m_title = nullptr;
    QList<QLabel *> m_rightPictures;
};
