// The stop keys, and the offer to reconnect to a converter that is back.
#include "link/portstatusbar.h"
#include "link/reconnectwatcher.h"
#include "loco/linkpage.h"
#include "shell/commainform.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where Escape has a meaning of its own: it undoes an entry, closes a list's editor or pop-up.
bool keepsEscape(const QWidget *focus)
{
    return qobject_cast<const QLineEdit *>(focus) ||
           qobject_cast<const QAbstractSpinBox *>(focus) ||
           qobject_cast<const QAbstractItemView *>(focus) ||
           qobject_cast<const QComboBox *>(focus) ||
           (qobject_cast<const QPlainTextEdit *>(focus) &&
            !static_cast<const QPlainTextEdit *>(focus)->isReadOnly());
}

} // namespace

void TfKorvant::addStopKeys()
{
    // One key stops every loco from any page, the same instruction as "Emergency STOP". Pause
    // always does; Escape only where it means nothing else, so a habit of pressing it in an
    // entry never stops every train.
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Pause), QKeySequence(Qt::Key_Escape)}) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this] { guarded(this, [this] { stopKeyPressed(); }); });
        if (key == QKeySequence(Qt::Key_Escape)) {
            connect(
                qApp, &QApplication::focusChanged, shortcut,
                [shortcut](QWidget *, QWidget *now) { shortcut->setEnabled(!keepsEscape(now)); });
        }
    }
}

void TfKorvant::stopKeyPressed()
{
    // An instruction in the middle of an upload would be written into what the station is
    // storing, and Escape is the key a user tries first to stop an upload.
    if (uploadRunning()) {
        m_statusBar->showMessage(
            u"An upload is running: the stop key sends nothing until it has ended."_s, 10000);
        return;
    }
    // Escape is pressed out of habit too: without a link it says so instead of an error box.
    if (!m_state.LinkOpen) {
        m_statusBar->showMessage(u"Not connected: the stop key sent nothing."_s, 10000);
        return;
    }
    m_linkPage->bbEmergencyStopClick();
}

void TfKorvant::buildReconnectOffer()
{
    // Nothing goes to the station until the user takes the offer.
    m_reconnect = new ReconnectWatcher(this);
    m_reconnectOffer = namedControl<QPushButton>(u"bReconnect"_s, this);
    m_reconnectOffer->hide();
    m_statusBar->addWidget(m_reconnectOffer);
    connect(m_reconnect, &ReconnectWatcher::portBack, this, [this](const QString &name) {
        m_reconnectOffer->setText(u"Reconnect to %1"_s.arg(name));
        m_reconnectOffer->setProperty("port", name);
        m_reconnectOffer->show();
    });
    connect(m_reconnectOffer, &QPushButton::clicked, this, [this] {
        m_reconnectOffer->hide();
        guarded(this, [this] {
            m_port.setPort(m_reconnectOffer->property("port").toString());
            FillStatusBar();
        });
        Button_OpenClick();
    });
}
