#include "turnouts/grouprows.h"

#include "turnouts/turnouttable.h"
#include "ui/namedcontrol.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>

using namespace Qt::Literals::StringLiterals;

namespace GroupRows {

QLabel *pageTitle(const QString &objectName, const QString &caption, QWidget *page)
{
    auto *title = namedControl<QLabel>(objectName, caption, page);
    title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 2);
    title->setFont(titleFont);
    return title;
}

Grid::Grid(const QString &headingName, QWidget *page)
    : m_groups(new QWidget), m_grid(new QGridLayout(m_groups)), m_scroll(new QScrollArea(page))
{
    m_grid->addWidget(namedControl<QLabel>(headingName, u"Groups"_s, m_groups), 0, 0, 1, 2);
    m_grid->setColumnStretch(1, 1);
    m_grid->setVerticalSpacing(2);
    m_scroll->setWidget(m_groups);
    m_scroll->setWidgetResizable(true);
}

QCheckBox *Grid::addGroup(int group, const QString &checkName, QWidget *entries)
{
    auto *check =
        namedControl<QCheckBox>(checkName, QString(TurnoutTable::groupLetter(group)), m_groups);
    check->setProperty("Tag", 0);
    m_grid->addWidget(check, group, 0);
    m_grid->addWidget(entries, group, 1);
    return check;
}

} // namespace GroupRows
