#include "turnouts/turnoutencoderpage.h"

#include "turnouts/grouprows.h"
#include "turnouts/turnoutdecoderpage.h"
#include "turnouts/turnoutloadsavepage.h"
#include "turnouts/turnouttable.h"
#include "ui/busycursor.h"
#include "ui/colours.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QValidator>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr quint32 PageColour = 0xAFD3AF;

// Rows are upper case whatever is typed, pasted or set, so "05o" reads as OPEN.
class UpperCase final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

TurnoutEncoderPage::TurnoutEncoderPage(TurnoutLoadSavePage &memoPage,
                                       TurnoutDecoderPage &decoderPage, QWidget *parent)
    : QWidget(parent), m_memoPage(memoPage), m_decoderPage(decoderPage)
{
    Colours::setBackground(this, PageColour);
    auto *title = GroupRows::pageTitle(u"StaticText16"_s, u"Encoder"_s, this);
    auto *hint = namedControl<QLabel>(
        u"StaticText9"_s,
        u"(Two digit entry followed by /, R, L, T or O for OPEN - |, space or C for CLOSE)"_s,
        this);

    GroupRows::Grid rows(u"StaticText5"_s, this);
    Colours::setBackground(rows.groups(), PageColour);
    auto *upperCase = new UpperCase(this);
    const QFont rowFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        auto *row = namedControl<QLineEdit>(u"Edit%1"_s.arg(n));
        row->setProperty("Tag", 0);
        row->setValidator(upperCase);
        row->setFont(rowFont);
        row->setReadOnly(true);
        Colours::setBackground(row, PageColour);
        QCheckBox *check = rows.addGroup(n, u"CheckBox%1"_s.arg(n + TurnoutTable::GroupCount), row);
        connect(check, &QCheckBox::toggled, this,
                [this, check] { guarded(this, [&] { CheckBox27Click(check); }); });
    }

    auto *import = namedControl<QPushButton>(u"sbImportDecoder"_s, u"&Import"_s, this);
    auto *exportButton = namedControl<QPushButton>(u"sbAssignTurnout"_s, u"&Export"_s, this);
    auto *print = namedControl<QPushButton>(u"BitBtn1"_s, u"View / Print"_s, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(import);
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(print);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(hint);
    layout->addWidget(rows.scrollArea(), 1);
    layout->addLayout(buttons);

    connect(import, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbImportDecoderClick(); }); });
    connect(exportButton, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbAssignTurnoutClick(); }); });
}

QCheckBox *TurnoutEncoderPage::groupCheckBox(int group) const
{
    return findChild<QCheckBox *>(u"CheckBox%1"_s.arg(group + TurnoutTable::GroupCount));
}

QLineEdit *TurnoutEncoderPage::groupRow(int group) const
{
    return findChild<QLineEdit *>(u"Edit%1"_s.arg(group));
}

void TurnoutEncoderPage::CheckBox27Click(QObject *sender)
{
    const auto *check = qobject_cast<QCheckBox *>(sender);
    // "CheckBox27" is group 1: the number in the name tells the row.
    const int n = check->objectName().mid(8, 2).toInt() - TurnoutTable::GroupCount;
    QLineEdit *row = groupRow(n);
    if (check->isChecked()) {
        Colours::setBackground(row, Colours::White);
        row->setReadOnly(false);
        row->setFocus();
    } else {
        Colours::setBackground(row, Colours::MoneyGreen);
        row->setReadOnly(true);
    }
}

void TurnoutEncoderPage::sbAssignTurnoutClick()
{
    assignTurnouts();
    sbImportDecoderClick();
}

QString TurnoutEncoderPage::assignTurnouts()
{
    BusyCursor busy;
    m_memoPage.resetProgress();
    TurnoutTable::Rows rows;
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        if (groupCheckBox(n)->isChecked())
            rows[n - 1] = groupRow(n)->text();
    }
    // Compiled in full before anything is written: a row that fails changes nothing.
    const QString digits = TurnoutTable::digitsFromRows(rows);
    m_memoPage.showMemoryImage(digits);
    return digits;
}

void TurnoutEncoderPage::sbImportDecoderClick()
{
    m_decoderPage.sbUpdateClick();
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        groupCheckBox(n)->setChecked(m_decoderPage.groupCheckBox(n)->isChecked());
        groupRow(n)->setText(m_decoderPage.groupLabel(n)->text());
    }
}
