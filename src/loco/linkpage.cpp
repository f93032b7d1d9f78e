#include "loco/linkpage.h"

#include "shell/colours.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

LinkPage::LinkPage(QWidget *parent) : QWidget(parent)
{
    m_title = new QLabel(u"Link"_s, this);
    m_title->setObjectName(u"stLinkTitle"_s);
    m_title->setAlignment(Qt::AlignCenter);
    auto *grid = new QGridLayout;
    for (int loco = 1; loco <= 4; ++loco) {
        auto *picture = new QLabel(u"Loco %1"_s.arg(loco), this);
        picture->setObjectName(u"iLoco%1R"_s.arg(loco));
        picture->setVisible(false);
        grid->addWidget(picture, 0, loco - 1);
        m_rightPictures.append(picture);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(grid);
    layout->addStretch();
}

void LinkPage::showRightFacingLocos()
{
    for (QLabel *picture : std::as_const(m_rightPictures))
        picture->setVisible(true);
}

void LinkPage::setLinkOpen(bool open)
{
    if (!open)
        Colours::setBackground(m_title, Colours::SkyBlue);
}
