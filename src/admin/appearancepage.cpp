#include "admin/appearancepage.h"

#include "admin/appearance.h"
#include "link/sharedstate.h"
#include "platform/korvanterror.h"
#include "ui/colours.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>

using namespace Qt::Literals::StringLiterals;

AppearancePage::AppearancePage(SharedState &state, QWidget *parent)
    : QWidget(parent), m_state(state)
{
    auto *heading =
        namedControl<QLabel>(u"StaticText22"_s, u"List of selectable STYLES and THEMES"_s, this);
    m_styles = namedControl<QListWidget>(u"ListBox1"_s, this);
    m_styles->setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette cream = m_styles->palette();
    cream.setColor(QPalette::Base, Colours::fromBgr(Colours::Cream));
    cream.setColor(QPalette::Text, Qt::black);
    m_styles->setPalette(cream);
    auto *label = namedControl<QLabel>(u"StaticText23"_s, u"Current STYLE:"_s, this);
    m_current = namedControl<QLabel>(u"stCurrentStyle"_s, u"xxx"_s, this);
    auto *help = namedControl<QPlainTextEdit>(u"Memo1"_s, this);
    help->setReadOnly(true);
    help->setPlainText(u"Select a new STYLE and double-click to replace actual style\n"
                       "(The selected STYLE will become the new current STYLE\n"
                       "and will be saved on exit.)"_s);
    help->setMaximumHeight(80);

    auto *layout = new QGridLayout(this);
    layout->addWidget(heading, 0, 0);
    layout->addWidget(m_styles, 1, 0, 3, 1);
    layout->addWidget(label, 1, 1);
    layout->addWidget(m_current, 1, 2);
    layout->addWidget(help, 2, 1, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);

    // Any double-click in the list counts, also one below the last item.
    m_styles->viewport()->installEventFilter(this);
}

bool AppearancePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_styles->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        guarded(this, [this] { ListBox1DblClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AppearancePage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    TabAppearanceShow();
}

void AppearancePage::TabAppearanceShow()
{
    m_styles->clear();
    m_styles->addItems(Appearance::styleNames());
    m_current->setText(Appearance::activeStyleName());
}

void AppearancePage::ListBox1DblClick()
{
    // A current item that is not selected (after a Ctrl+click) is no item at all.
    const QListWidgetItem *item = m_styles->currentItem();
    if (!item || !item->isSelected())
        throw KorvantError(u"List index out of bounds (-1)"_s);
    Appearance::activateStyle(item->text());
    m_state.CurrentStyleName = item->text();
    Q_EMIT styleActivated();
}
