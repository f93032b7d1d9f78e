#include "turnouts/turnoutdecoderpage.h"

#include "turnouts/grouprows.h"
#include "turnouts/turnoutloadsavepage.h"
#include "turnouts/turnouttable.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TurnoutDecoderPage::TurnoutDecoderPage(const TurnoutLoadSavePage &memoPage, QWidget *parent)
    : QWidget(parent), m_memoPage(memoPage)
{
    auto *title = GroupRows::pageTitle(u"StaticText15"_s, u" Decoder"_s, this);
    GroupRows::Grid rows(u"StaticText8"_s, this);
    const QFont entryFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        auto *entries = namedControl<QLabel>(u"st%1"_s.arg(n), QString());
        entries->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        entries->setFont(entryFont);
        entries->setMinimumWidth(480);
        entries->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QCheckBox *check = rows.addGroup(n, u"CheckBox%1"_s.arg(n), entries);
        QFont bold = check->font();
        bold.setBold(true);
        check->setFont(bold);
    }

    auto *import = namedControl<QPushButton>(u"sbUpdate"_s, u"&Import"_s, this);
    auto *print = namedControl<QPushButton>(u"bbPrintTurnout"_s, u"View / Print"_s, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(import);
    buttons->addStretch();
    buttons->addWidget(print);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(rows.scrollArea(), 1);
    layout->addLayout(buttons);

    connect(import, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbUpdateClick(); }); });
}

QCheckBox *TurnoutDecoderPage::groupCheckBox(int group) const
{
    return findChild<QCheckBox *>(u"CheckBox%1"_s.arg(group));
}

QLabel *TurnoutDecoderPage::groupLabel(int group) const
{
    return findChild<QLabel *>(u"st%1"_s.arg(group));
}

void TurnoutDecoderPage::sbUpdateClick()
{
    // Decoded in full first: a text that fails leaves the page as it was.
    const TurnoutTable::Groups groups = TurnoutTable::decode(m_memoPage.memoText());
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        const TurnoutGroup &entries = groups[n - 1];
        groupCheckBox(n)->setChecked(!entries.isEmpty());
        groupLabel(n)->setText(TurnoutTable::groupText(entries));
    }
}
