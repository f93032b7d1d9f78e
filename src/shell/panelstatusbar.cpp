// The panel beside the pages and the status bar: the buttons, the logo, the lamps and the frame.
#include "admin/appearance.h"
#include "firmware/firmwarepage.h"
#include "link/lamppanel.h"
#include "link/portstatusbar.h"
#include "shell/commainform.h"
#include "ui/colours.h"
#include "ui/desktop.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"
#include "web/servernames.h"
#include "web/versionupdate.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QPixmap logoPixmap()
{
    QPixmap logo(150, 48);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x20, 0x40, 0x80));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(logo.rect().adjusted(1, 1, -1, -1), 8, 8);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPointSize(16);
    painter.setFont(font);
    painter.drawText(logo.rect(), Qt::AlignCenter, u"Korvant"_s);
    return logo;
}

} // namespace

QWidget *TfKorvant::buildRightPanel()
{
    auto *panel = namedControl<QWidget>(u"Panel5"_s, this);
    auto *column = new QVBoxLayout(panel);
    m_logo = namedControl<QLabel>(u"Image1"_s, panel);
    m_logo->setPixmap(logoPixmap());
    m_logo->setCursor(Qt::WhatsThisCursor);
    m_logo->setToolTip(u"Korvant web site: "_s +
                       QUrl(QStringLiteral(KORVANT_WEB_SITE)).authority());
    m_logo->installEventFilter(this);
    column->addWidget(m_logo, 0, Qt::AlignRight);

    auto addButton = [&](const QString &name, const QString &caption) {
        auto *button = namedControl<QPushButton>(name, caption, panel);
        column->addWidget(button);
        return button;
    };
    m_open = addButton(u"Button_Open"_s, u"&Connect"_s);
    auto *settings = addButton(u"Button_Settings"_s, u"Settings"_s);
    m_stayOnTop = addButton(u"Button1"_s, u"Stay On Top"_s);
    m_checkNewVersion = addButton(u"bCheckNewVersion"_s, u"Version Update"_s);
    m_checkNewVersion->installEventFilter(this);
    auto *revert = addButton(u"bRevertOldVersion"_s, u"Revert to previous version"_s);
    m_quit = namedControl<QToolButton>(u"sbQuit"_s, panel);
    m_quit->setText(u"&Quit"_s);
    m_quit->setAutoRaise(true);
    m_quit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_quit->installEventFilter(this);
    column->addWidget(m_quit);
    m_lamps = new LampPanel(m_port, panel);
    column->addWidget(m_lamps);
    column->addStretch();

    connect(m_open, &QPushButton::clicked, this, [this] { Button_OpenClick(); });
    connect(settings, &QPushButton::clicked, this, [this] { Button_SettingsClick(); });
    connect(m_stayOnTop, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(m_quit, &QToolButton::clicked, this, [this] { sbQuitClick(); });
    connect(m_checkNewVersion, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { m_versionUpdate->bCheckNewVersionClick(); }); });
    connect(revert, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { m_versionUpdate->bRevertOldVersionClick(); }); });
    return panel;
}

void TfKorvant::applyFrameColour()
{
    // Money green is the frame of the platform's own look; a chosen style brings its own.
    if (Appearance::activeStyleName() == u"Windows"_s)
        Colours::setBackground(this, Colours::MoneyGreen);
    else
        Colours::clearBackground(this);
}

void TfKorvant::FillStatusBar()
{
    m_statusBar->FillStatusBar(m_port);
}

void TfKorvant::Button1Click()
{
    const bool onTop = !(windowFlags() & Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    m_stayOnTop->setText(onTop ? u"Leave TOP"_s : u"Stay on TOP"_s);
    if (m_shown)
        show();
}

void TfKorvant::sbQuitMouseDown(Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    m_pageControl3->setTabVisible(AdminSpecial, !m_pageControl3->isTabVisible(AdminSpecial));
    m_pageControl3->setTabVisible(AdminConfig, !m_pageControl3->isTabVisible(AdminConfig));
    m_firmwarePage->toggleHexMemoWritable();
}

void TfKorvant::Image1Click()
{
    // The browser needs the scheme: a bare "host:port" would read as a scheme of its own.
    Desktop::openUrl(QUrl(ServerNames::webSiteRoot(QStringLiteral(KORVANT_WEB_SITE))));
}

bool TfKorvant::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_logo && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        guarded(this, [this] { Image1Click(); });
        return true;
    }
    if (watched == m_quit && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::RightButton) {
            sbQuitMouseDown(press->button());
            return true; // a right press never quits
        }
    }
    if (watched == m_checkNewVersion && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::RightButton) {
            guarded(this, [&] { m_versionUpdate->bCheckNewVersionMouseDown(press->button()); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
