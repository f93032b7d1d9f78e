#include "admin/readmepage.h"

#include "ui/busycursor.h"
#include "ui/colours.h"
#include "ui/desktop.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"
#include "web/servernames.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

const char16_t quickStart[] = uR"(
## Quick start

**Styles.** You can give the program another look: on **Admin › Appearance** double-click a
style; it applies at once and is kept for the next start. Styles other than "Windows", the
system's own look, may not show the Link page correctly: each keeps the page's state colours
(the yellow title after the station reports, magenta lamps for what is switched on), but should
a style make them hard to read, go back to "Windows".

**Recent firmware updates.** 301c: a loco's direction can be changed while it is running.
301d and 301e: a small gap in the split-direction feature, so that the potentiometers can be
centred precisely.

**What you need.** A USB/UART converter with TTL levels between the computer and the station (a
commercial FTDI or CP2102 converter, or the station's own USB chip).

1. **Settings**: choose the converter's port (for example `ttyUSB0`, or `SIM1` for the station
   simulator) and press **OK**. The converter needs no driver on Linux; if the port cannot be
   opened, your user must join the `dialout` group (`sudo adduser $USER dialout`, then log in
   again).
2. **Connect**: the *On Line* lamp lights and the memo windows turn yellow.
3. **Available 16F1938 hex files...** on the Firmware Upgrade page lists the firmware on the
   maker's server (this needs an Internet connection); choose one and press **Load**.

**Upgrading the firmware.** Put the station into boot loader mode: hold its *Emergency Stop*
button while you reset it or switch it on; its display shows "Bootloader Mode". Then press
**Start Upload**. An upload takes from 45 seconds to over 2 minutes; afterwards the station
restarts and shows its new version. The boot loader protects itself and is never overwritten,
so boot loader mode can always be entered again, even after an upload that failed. A copy of
the hex file you chose is kept in the program's folder: any programmer for the PIC16F1938 can
write it to the chip.

**Driving locos.** The **Link** page drives four locos: a speed slider, direction buttons,
headlight and four function lamps each; *Emergency STOP* stops them all. From the keyboard:
keys **1**–**4** choose the loco, **+** and **-** change its speed, **D** its direction, **H**
its headlight, **F1**–**F4** its functions; **Pause** or **Escape** is an emergency stop from
any page.

**Turnouts.** Type the routes of each group on **Turnout Encoder**, export them, keep them in a
`.tout` file on **Turnout Load/Save** and upload them to the station; the station's table comes
back on the same page and reads on **Turnout Decoder**.

**Decoder CVs.** On **CV Programming** tick the CVs to read, upload the selection and watch the
values come back; **Save as Default** keeps a selection for the next time.

**Keeping up to date.** **Version Update** fetches a newer program from the maker's server;
**Revert to previous version** brings the last one back. **Admin › USB Drivers** fetches the
converter drivers for the systems that need them.

**More help.** The instruction manual explains every page: press **Instruction Manual
(PDF)** below, or visit the web site. Support: support@korvant.example. © 2026 Korvant.
)";

} // namespace

QString ReadMePage::quickStartText()
{
    return QString::fromUtf16(quickStart);
}

ReadMePage::ReadMePage(const QString &webSite, QWidget *parent)
    : QWidget(parent), m_webSite(webSite)
{
    m_webSiteButton =
        namedControl<QPushButton>(u"bbWebSite"_s, u"&Visit the Korvant® Web site"_s, this);
    m_webSiteButton->installEventFilter(this);
    auto *heading = namedControl<QLabel>(u"StaticText6"_s, u"Quick Start Guide"_s, this);
    heading->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *text = namedControl<QTextBrowser>(u"mMemoAdmin"_s, this);
    text->setMarkdown(quickStartText());
    text->setOpenLinks(false);
    text->setTabChangesFocus(false);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Colours::setBackground(text, Colours::Yellow);
    auto *manual =
        namedControl<QPushButton>(u"bbPdfManual"_s, u"&Instruction Manual (PDF)"_s, this);
    auto *versionLabel = namedControl<QLabel>(u"StaticText20"_s, u"Full version info: "_s, this);
    m_fullVersion = namedControl<QLabel>(u"stFullVersion"_s, u"xxxx"_s, this);

    auto *layout = new QGridLayout(this);
    layout->addWidget(heading, 0, 0, 1, 2);
    layout->addWidget(m_webSiteButton, 0, 2);
    layout->addWidget(text, 1, 0, 1, 3);
    layout->addWidget(versionLabel, 2, 0);
    layout->addWidget(m_fullVersion, 2, 1);
    layout->addWidget(manual, 2, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);

    connect(m_webSiteButton, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbWebSiteClick(); }); });
    connect(manual, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbPdfManualClick(); }); });
    connect(text, &QTextBrowser::anchorClicked, this,
            [](const QUrl &url) { Desktop::openUrl(url); });
}

void ReadMePage::setFullVersion(const QString &version)
{
    m_fullVersion->setText(version);
}

void ReadMePage::bbWebSiteClick()
{
    Desktop::openUrl(QUrl(ServerNames::webSiteRoot(m_webSite)));
}

void ReadMePage::bbWebSiteMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        Desktop::openUrl(QUrl(ServerNames::homePageAddress(m_webSite)));
}

void ReadMePage::bbPdfManualClick()
{
    BusyCursor busy;
    Desktop::openUrl(QUrl(ServerNames::manualAddress(m_webSite)));
}

bool ReadMePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_webSiteButton && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::RightButton) {
            guarded(this, [&] { bbWebSiteMouseDown(press->button()); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
