#include "admin/internalpage.h"

#include "firmware/hexlisting.h"
#include "platform/korvanterror.h"
#include "turnouts/turnouttable.h"
#include "ui/colours.h"
#include "ui/errorguard.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QPlainTextEdit *listingMemo(const QString &name, const QString &text, QWidget *parent)
{
    auto *memo = namedControl<QPlainTextEdit>(name, text, parent);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setTabStopDistance(8 * memo->fontMetrics().horizontalAdvance(u' '));
    return memo;
}

} // namespace

InternalPage::InternalPage(HexSource hexLines, QWidget *parent)
    : QWidget(parent), m_hexLines(std::move(hexLines))
{
    auto *importHex = namedControl<QPushButton>(u"sbImportHex"_s, u"&Import from HEX file"_s, this);
    auto *hexTitle =
        namedControl<QLabel>(u"StaticText7"_s, u"BootLoader ASM (0x0000 - 0x03ff)"_s, this);
    m_bootLoader = listingMemo(u"mBootLoader"_s, QString(32, u' '), this);
    m_bootLoader->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_bootLoader->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Colours::setBackground(m_bootLoader, Colours::Yellow);
    connect(importHex, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbImportHexClick(); }); });
    auto *hexColumn = new QVBoxLayout;
    hexColumn->addWidget(importHex, 0, Qt::AlignLeft);
    hexColumn->addWidget(hexTitle);
    hexColumn->addWidget(m_bootLoader, 1);

    m_importTurnout =
        namedControl<QPushButton>(u"sbImportTurnout"_s, u"&Import from Turnout"_s, this);
    auto *title = namedControl<QLabel>(u"StaticText21"_s, u"Turnout ASM dump"_s, this);
    m_turnoutDump = listingMemo(u"mSpecialTurnout"_s, QString(32, u' '), this);

    auto *turnoutColumn = new QVBoxLayout;
    turnoutColumn->addWidget(m_importTurnout, 0, Qt::AlignLeft);
    turnoutColumn->addWidget(title);
    turnoutColumn->addWidget(m_turnoutDump, 1);
    // Listings sit side by side, one column each.
    auto *columns = new QHBoxLayout(this);
    columns->addLayout(hexColumn, 1);
    columns->addLayout(turnoutColumn, 1);
}

void InternalPage::sbImportHexClick()
{
    const QStringList hex = m_hexLines();
    if (hex.isEmpty()) {
        Messages::information(this, u"Import HEX file first..."_s);
        return;
    }
    m_bootLoader->clear();
    const HexListing::Result listing = HexListing::fromHexLines(hex);
    if (!listing.lines.isEmpty())
        m_bootLoader->setPlainText(listing.lines.join(u'\n'));
    // The lines converted before a bad one stay, as the error box says where it stopped.
    if (!listing.error.isEmpty())
        throw KorvantError(listing.error);
}

void InternalPage::ShowMemoAdmin(const QString &digits)
{
    m_turnoutDump->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_turnoutDump->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_turnoutDump->setPlainText(TurnoutTable::asmDump(digits));
}
