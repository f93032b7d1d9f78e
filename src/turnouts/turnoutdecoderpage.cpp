#include "turnouts/turnoutdecoderpage.h"

#include "shell/errorguard.h"
#include "shell/namedcontrol.h"
#include "turnouts/turnoutloadsavepage.h"
#include "turnouts/turnouttable.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QLabel *sunkenText(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = namedControl<QLabel>(name, caption, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

} // namespace

TurnoutDecoderPage::TurnoutDecoderPage(const TurnoutLoadSavePage &memoPage, QWidget *parent)
    : QWidget(parent), m_memoPage(memoPage)
{
    auto *title = sunkenText(u"StaticText15"_s, u" Decoder"_s, this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 2);
    title->setFont(titleFont);

    auto *groups = new QWidget;
    auto *grid = new QGridLayout(groups);
    auto *heading = namedControl<QLabel>(u"StaticText8"_s, u"Groups"_s, groups);
    grid->addWidget(heading, 0, 0, 1, 2);
    const QFont entryFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        auto *check = namedControl<QCheckBox>(u"CheckBox%1"_s.arg(n),
                                              QString(TurnoutTable::groupLetter(n)), groups);
        check->setProperty("Tag", 0);
        QFont bold = check->font();
        bold.setBold(true);
        check->setFont(bold);
        auto *entries = sunkenText(u"st%1"_s.arg(n), QString(), groups);
        entries->setFont(entryFont);
        entries->setMinimumWidth(480);
        entries->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(check, n, 0);
        grid->addWidget(entries, n, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(2);
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(groups);
    scroll->setWidgetResizable(true);

    auto *import = namedControl<QPushButton>(u"sbUpdate"_s, u"&Import"_s, this);
    auto *print = namedControl<QPushButton>(u"bbPrintTurnout"_s, u"View / Print"_s, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(import);
    buttons->addStretch();
    buttons->addWidget(print);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(scroll, 1);
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
