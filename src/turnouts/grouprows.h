#pragma once

#include <QString>

class QCheckBox;
class QGridLayout;
class QLabel;
class QScrollArea;
class QWidget;

// What the decoder and encoder pages share: a sunken title, and the 26 groups as rows of a
// check box with the group's letter beside the group's entries, in a scroll area.
namespace GroupRows {

QLabel *pageTitle(const QString &objectName, const QString &caption, QWidget *page);

class Grid final
{
public:
    // The rows' heading "Groups" is named headingName.
    Grid(const QString &headingName, QWidget *page);

    // Row `group` (1 to 26): a check box captioned with the group's letter, then entries.
    QCheckBox *addGroup(int group, const QString &checkName, QWidget *entries);

    QWidget *groups() const { return m_groups; }
    QScrollArea *scrollArea() const { return m_scroll; }

private:
    QWidget *m_groups;
    QGridLayout *m_grid;
    QScrollArea *m_scroll;
};

} // namespace GroupRows
