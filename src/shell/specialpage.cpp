#include "shell/specialpage.h"

#include "turnouts/turnouttable.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

SpecialPage::SpecialPage(QWidget *parent) : QWidget(parent)
{
    m_importTurnout = new QPushButton(u"&Import from Turnout"_s, this);
    m_importTurnout->setObjectName(u"sbImportTurnout"_s);
    auto *title = new QLabel(u"Turnout ASM dump"_s, this);
    title->setObjectName(u"StaticText21"_s);
    m_turnoutDump = new QPlainTextEdit(QString(32, u' '), this);
    m_turnoutDump->setObjectName(u"mSpecialTurnout"_s);
    m_turnoutDump->setReadOnly(true);
    m_turnoutDump->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_turnoutDump->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_turnoutDump->setTabStopDistance(8 * m_turnoutDump->fontMetrics().horizontalAdvance(u' '));

    auto *turnoutColumn = new QVBoxLayout;
    turnoutColumn->addWidget(m_importTurnout, 0, Qt::AlignLeft);
    turnoutColumn->addWidget(title);
    turnoutColumn->addWidget(m_turnoutDump, 1);
    // Listings sit side by side, one column each.
    auto *columns = new QHBoxLayout(this);
    columns->addLayout(turnoutColumn, 1);
}

void SpecialPage::ShowMemoAdmin(const QString &digits)
{
    m_turnoutDump->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_turnoutDump->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_turnoutDump->setPlainText(TurnoutTable::asmDump(digits));
}
