#include "shell/commainform.h"

#include "admin/appearance.h"
#include "admin/appearancepage.h"
#include "admin/configpage.h"
#include "admin/internalpage.h"
#include "admin/readmepage.h"
#include "admin/usbdriverspage.h"
#include "cv/cvprogrammingpage.h"
#include "cv/printcv.h"
#include "firmware/firmwarepage.h"
#include "firmware/hexlistdialog.h"
#include "link/comporterror.h"
#include "link/lamppanel.h"
#include "link/memoryimage.h"
#include "link/portdoctor.h"
#include "link/portnames.h"
#include "link/portstatusbar.h"
#include "link/reconnectwatcher.h"
#include "link/setupdialog.h"
#include "link/stationwire.h"
#include "loco/linkpage.h"
#include "platform/atomicsave.h"
#include "platform/currentuser.h"
#include "platform/developmentrun.h"
#include "platform/korvanterror.h"
#include "platform/serialaccess.h"
#include "platform/settingsstore.h"
#include "platform/versionrecord.h"
#include "shell/settingsio.h"
#include "turnouts/printturnout.h"
#include "turnouts/turnoutdecoderpage.h"
#include "turnouts/turnoutencoderpage.h"
#include "turnouts/turnoutloadsavepage.h"
#include "ui/colours.h"
#include "ui/desktop.h"
#include "ui/errorguard.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"
#include "web/servernames.h"
#include "web/versionupdate.h"
#include "web/webclient.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcReceive, "korvant.receive", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShutDown, "korvant.shutdown", QtInfoMsg)

namespace {

// Tabs drawn as buttons, as the station's users know them.
const QString buttonTabs = u"QTabBar::tab { border: 1px outset palette(mid); border-radius: 3px;"
                           " padding: 4px 10px; margin: 2px; background: palette(button); }"
                           "QTabBar::tab:selected { border-style: inset; background: "
                           "palette(midlight); }"_s;

void drawTabsAsButtons(QTabWidget *pages)
{
    pages->tabBar()->setStyleSheet(buttonTabs);
    pages->tabBar()->setExpanding(false);
    pages->setUsesScrollButtons(false);
}

QTabWidget *makePageControl(const QString &name, QWidget *parent)
{
    auto *pages = namedControl<QTabWidget>(name, parent);
    drawTabsAsButtons(pages);
    return pages;
}

QWidget *addSheet(QTabWidget *pages, const QString &name, const QString &caption,
                  QWidget *content = nullptr)
{
    auto *sheet = namedControl<QWidget>(name, pages);
    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(4, 4, 4, 4);
    if (content)
        layout->addWidget(content);
    pages->addTab(sheet, caption);
    return sheet;
}

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

TfKorvant::TfKorvant(QWidget *parent)
    : QMainWindow(parent), m_instructions(m_port, m_state, [] { QApplication::processEvents(); }),
      m_webClient(new WebClient(this))
{
    setObjectName(u"fKorvant"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    applyFrameColour();

    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    buildPages();
    layout->addWidget(m_pageControl1, 1);
    layout->addWidget(buildRightPanel());
    setCentralWidget(central);
    m_statusBar = new PortStatusBar(this);
    setStatusBar(m_statusBar);
    m_versionUpdate = std::make_unique<VersionUpdate>(this, *m_webClient, m_statusBar);
    connect(m_webClient, &WebClient::work, this, [this](qint64 count) {
        m_statusBar->setPanelText(5, u"Bytes downloaded: %1"_s.arg(count));
    });

    connect(&m_port, &TComPort::afterOpen, this, [this] { ComPortOpen(); });
    connect(&m_port, &TComPort::afterClose, this, [this] { ComPortClose(); });
    connect(&m_port, &TComPort::rxChar, this, &TfKorvant::ComPort2RxChar);
    connect(&m_port, &TComPort::deviceLost, this, [this](const QString &message) {
        Messages::warning(this, message);
        m_reconnect->watch(m_port.settings().port, m_portSerialNumber);
    });
    buildReconnectOffer();
    connect(m_configPage, &ConfigPage::portSettingsChanged, this, &TfKorvant::FillStatusBar);
    connect(m_pageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_selectingByCode)
            guarded(this, [&] { PageControl1Change(index); });
    });

    wirePrintButtons();
    addStopKeys();
    connect(m_firmwarePage, &FirmwarePage::hexListRequested, this, [this] {
        guarded(this, [this] {
            bHexListClick(m_firmwarePage, *m_webClient, QApplication::applicationFilePath(),
                          m_firmwarePage->findChild<QLineEdit *>(u"eHexFile"_s),
                          m_firmwarePage->findChild<QPlainTextEdit *>(u"MHexFile"_s),
                          [this](const QString &path) { m_firmwarePage->loadHexFile(path); });
        });
    });
    FormCreate();
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

bool TfKorvant::uploadRunning() const
{
    return m_firmwarePage->isUploading() || m_turnoutPage->isUploading() || m_cvPage->isUploading();
}

void TfKorvant::wirePrintButtons()
{
    // The sheets read the pages' controls by name, so any page that has them can print.
    for (const QString &name : {u"bbPrintTurnout"_s, u"BitBtn1"_s}) {
        if (auto *button = findChild<QAbstractButton *>(name)) {
            connect(button, &QAbstractButton::clicked, this, [this] {
                guarded(this, [this] {
                    TfPrintTurnout::bbPrintTurnoutClick(this, m_pageControl1->currentIndex());
                });
            });
        }
    }
    if (auto *button = findChild<QAbstractButton *>(u"bbPrintCVSequence"_s)) {
        connect(button, &QAbstractButton::clicked, this,
                [this] { guarded(this, [this] { TfPrintCV::bbPrintCVSequenceClick(this); }); });
    }
}

TfKorvant::~TfKorvant()
{
    // Nothing may leave a destructor: the program would end on the spot, unsaved. An upload
    // still running ends while the port it writes to is still there, also when its converter
    // has just been pulled out; then the settings are saved and the port closed.
    if (const QString failure = failureOf([this] { cancelUploads(); }); !failure.isEmpty())
        qCWarning(lcShutDown) << "ending the uploads:" << failure;
    FormDestroy();
}

void TfKorvant::buildPages()
{
    m_pageControl1 = makePageControl(u"PageControl1"_s, this);
    m_firmwarePage = new FirmwarePage(m_port, m_state, [this] { return m_configPage->values(); });
    m_turnoutPage = new TurnoutLoadSavePage(m_port, m_state);
    m_decoderPage = new TurnoutDecoderPage(*m_turnoutPage);
    m_internalPage = new InternalPage([this] { return m_firmwarePage->hexLines(); });
    m_encoderPage = new TurnoutEncoderPage(*m_turnoutPage, *m_decoderPage);
    connect(m_internalPage->importTurnoutButton(), &QPushButton::clicked, m_encoderPage, [this] {
        guarded(m_encoderPage,
                [this] { m_internalPage->ShowMemoAdmin(m_encoderPage->assignTurnouts()); });
    });
    m_cvPage = new CvProgrammingPage(m_port, m_state, [this] { openPort(); });
    drawTabsAsButtons(m_cvPage->pageControl());
    m_linkPage = new LinkPage(m_state, [this](const QString &instruction) {
        guarded(this, [&] { DoInstruction(instruction); });
    });
    addSheet(m_pageControl1, u"TabUpdater"_s, u"Firmware Upgrade"_s, m_firmwarePage);
    addSheet(m_pageControl1, u"TabTurnout"_s, u"Turnout Load/Save"_s, m_turnoutPage);
    addSheet(m_pageControl1, u"TabTurnoutDecoder"_s, u"Turnout Decoder"_s, m_decoderPage);
    addSheet(m_pageControl1, u"TabTurnoutEncoder"_s, u"Turnout Encoder"_s, m_encoderPage);
    addSheet(m_pageControl1, u"TabCVProgramming"_s, u"CV Programming"_s, m_cvPage);
    addSheet(m_pageControl1, u"TabLink"_s, u"Link"_s, m_linkPage);

    m_pageControl3 = makePageControl(u"PageControl3"_s, this);
    addSheet(m_pageControl1, u"TabAdmin"_s, u"Admin"_s, m_pageControl3);
    m_readMePage = new ReadMePage(QStringLiteral(KORVANT_WEB_SITE));
    m_usbDriversPage = new UsbDriversPage(*m_webClient);
    m_configPage = new ConfigPage(m_port);
    addSheet(m_pageControl3, u"TabReadMe"_s, u"ReadME"_s, m_readMePage);
    addSheet(m_pageControl3, u"TabUSB"_s, u"USB Drivers"_s, m_usbDriversPage);
    auto *appearance = new AppearancePage(m_state);
    connect(appearance, &AppearancePage::styleActivated, this, &TfKorvant::applyFrameColour);
    addSheet(m_pageControl3, u"TabAppearance"_s, u"Appearance"_s, appearance);
    addSheet(m_pageControl3, u"TabConfig"_s, u"Configuration"_s, m_configPage);
    addSheet(m_pageControl3, u"TabSpecial"_s, u" Special Internal tab page"_s, m_internalPage);
}

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

void TfKorvant::selectPage(int index)
{
    m_selectingByCode = true;
    m_pageControl1->setCurrentIndex(index);
    m_selectingByCode = false;
}

void TfKorvant::FormCreate()
{
    m_state.LinkOpen = false;
    selectPage(PageFirmware);
    m_cvPage->pageControl()->setCurrentIndex(0);
    m_pageControl3->setCurrentIndex(AdminReadMe);

    guarded(this, [this] {
        SettingsStore MonRegistre;
        if (!MonRegistre.openKey()) {
            // Nothing is written back at exit either, so the file stays as the user left it.
            Messages::warning(this, MonRegistre.openError() +
                                        u" The program starts with its default settings and "
                                        "leaves the file as it is."_s);
        } else if (!MonRegistre.keptAsideNotice().isEmpty()) {
            Messages::warning(this, MonRegistre.keptAsideNotice());
        }
        // A store that could not be opened reads as an empty one: first-run defaults.
        QStringList errors;
        m_state.CurrentStyleName = SettingsIO::loadAtStartUp(MonRegistre, m_port, errors);
        try {
            MonRegistre.closeKey();
        } catch (const KorvantError &e) {
            // A settings folder that cannot be written (read-only, full) must not cost the
            // rest of start-up: the defaults, the port, the style and the hidden pages.
            errors.append(e.message());
        }
        // A value of the wrong type keeps its default; start-up goes on after saying so.
        if (!errors.isEmpty())
            Messages::error(this, errors.join(u'\n'));
        m_configPage->bDefaultClick();
        if (!Appearance::activateStyle(m_state.CurrentStyleName)) {
            Messages::error(this, u"Style '%1' not found"_s.arg(m_state.CurrentStyleName),
                            u"Close"_s);
        }
        applyFrameColour();
        m_configPage->pushToPort();
        FillStatusBar();
        m_linkPage->showRightFacingLocos();
        m_pageControl3->setTabVisible(AdminSpecial, false);
        m_pageControl3->setTabVisible(AdminConfig, false);
    });
}

void TfKorvant::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TfKorvant::FormShow()
{
    guarded(this, [this] {
        const QString version =
            VersionRecord::GetPropertyValue(QApplication::applicationFilePath(), u"FileVersion"_s);
        setWindowTitle(u"Korvant - Ver. "_s + version);
        m_readMePage->setFullVersion(version);
        if (isDevelopmentRun())
            writeDevelopmentVersionFile(version);
        if (const QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    });
}

void TfKorvant::writeDevelopmentVersionFile(const QString &version) const
{
    const QString name =
        QFileInfo(QApplication::applicationFilePath()).completeBaseName() + u".ver"_s;
    const QString error =
        AtomicSave::write(QDir::current().filePath(name), QByteArray(version.toUtf8() + "\r\n"));
    if (!error.isEmpty())
        throw KorvantError(u"Cannot write %1: %2"_s.arg(name, error));
}

void TfKorvant::FormDestroy() noexcept
{
    guarded(this, [this] {
        SettingsStore MonRegistre;
        if (MonRegistre.openKey()) {
            SettingsIO::saveAtShutDown(MonRegistre, m_port, m_configPage->values(),
                                       m_state.CurrentStyleName);
            MonRegistre.closeKey();
        }
    });
    closePortOnQuit();
}

void TfKorvant::closePortOnQuit() noexcept
{
    // Runs from the destructor too: every failure is said here and goes no further.
    guarded(this, [this] {
        try {
            if (m_port.connected())
                m_port.close();
        } catch (const EComPort &) {
            Messages::error(this, u"ComPort Exception raised!"_s);
        }
    });
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

void TfKorvant::DoInstruction(const QString &sDir)
{
    m_instructions.DoInstruction(sDir);
}

void TfKorvant::Button_OpenClick()
{
    guarded(this, [this] {
        try {
            if (m_port.connected()) {
                m_port.clearBuffers(true, true);
                m_port.close();
                m_firmwarePage->clearOnDisconnect();
            } else {
                openPort();
                // A failure of the open event's instruction was said there, and ends the step.
                if (!m_openInstructionFailed)
                    m_port.clearBuffers(true, true);
            }
        } catch (const EComPort &e) {
            QString message = u"Select a ComPort first!"_s;
            const QString portName = m_port.settings().port;
            const QString device = PortNames::devicePath(portName);
            // A port another program holds fails as locked or busy: name the holder, not
            // the account's rights.
            const QString inUse = e.systemCode() == EACCES || e.systemCode() == EBUSY
                                      ? portInUseText(device, portHolders(device))
                                      : QString();
            QList<PortDoctor::Check> said;
            if (!inUse.isEmpty()) {
                message += u'\n' + inUse;
                said.append(PortDoctor::Check::Holders);
            } else if (e.systemCode() == EACCES) {
                message += u'\n' + serialAccessHint(device);
                said.append(PortDoctor::Check::Access);
            }
            // Whatever else the doctor finds in the way, with its fix; "Select a ComPort
            // first!" says all there is when no port is chosen.
            if (!portName.isEmpty()) {
                const QStringList more = PortDoctor::blockingLines(
                    PortDoctor::checkPort(portName, PortDoctor::systemRoot(), currentUser()), said);
                if (!more.isEmpty())
                    message += u'\n' + more.join(u'\n');
            }
            Messages::warning(this, message);
        }
    });
}

void TfKorvant::openPort()
{
    m_configPage->pushToPort();
    m_port.open();
}

void TfKorvant::Button_SettingsClick()
{
    guarded(this, [this] {
        SetupDialog dialog(m_port.settings(), m_port.flowControl(), PortNames::availablePorts(),
                           this);
        if (dialog.exec() == QDialog::Accepted)
            m_port.applySettings(SetupDialog::applied(m_port.settings(), dialog.pending()));
        FillStatusBar();
    });
}

void TfKorvant::ComPortOpen()
{
    m_reconnect->stop();
    m_reconnectOffer->hide();
    m_portSerialNumber = ReconnectWatcher::serialNumberOf(m_port.settings().port);
    m_open->setText(u"&Disconnect"_s);
    m_state.LinkOpen = true;
    m_firmwarePage->setLinkOpen(true);
    m_turnoutPage->setLinkOpen(true);
    m_cvPage->setLinkOpen(true);
    m_openInstructionFailed = false;
    if (m_pageControl1->currentIndex() == PageCVProgramming)
        sendOnOpen(u":X100"_s);
}

void TfKorvant::sendOnOpen(const QString &instruction)
{
    // This runs inside the port's open, called through its open event: a failure may not travel
    // back through the event (its other listeners would never hear of the open). It is said
    // here, as a failed connect is.
    const QString failure = failureOf([&] {
        try {
            DoInstruction(instruction);
        } catch (const EComPort &) {
            m_openInstructionFailed = true;
            Messages::warning(this, u"Select a ComPort first!"_s);
        }
    });
    if (!failure.isEmpty()) {
        m_openInstructionFailed = true;
        Messages::error(this, failure);
    }
}

void TfKorvant::ComPortClose()
{
    m_open->setText(u"&Connect"_s);
    m_state.LinkOpen = false;
    m_firmwarePage->setLinkOpen(false);
    m_turnoutPage->setLinkOpen(false);
    m_cvPage->setLinkOpen(false);
    m_linkPage->setLinkOpen(false);
}

void TfKorvant::cancelUploads()
{
    // Every page's upload ends, whatever the end of another's did: a job left running would
    // outlive the port it writes to when the window goes.
    QStringList failures;
    const auto end = [&failures](const std::function<void()> &cancel) {
        if (const QString failure = failureOf(cancel); !failure.isEmpty())
            failures.append(failure);
    };
    end([this] { m_firmwarePage->cancelUpload(); });
    end([this] { m_turnoutPage->cancelUpload(); });
    end([this] { m_cvPage->cancelUpload(); });
    if (!failures.isEmpty())
        throw KorvantError(failures.join(u'\n'));
}

void TfKorvant::PageControl1Change(int index)
{
    // An upload belongs to the page it was started on: leaving the page ends it.
    cancelUploads();
    switch (index) {
    case PageFirmware:
        m_framer.detach();
        m_port.setDataSink({});
        break;
    case PageTurnout:
        routePackets([this](const QString &p) { m_turnoutPage->ComDataPacket1packet(p); },
                     StationWire::TurnoutPacketSize);
        break;
    case PageCVProgramming:
        routePackets([this](const QString &p) { m_cvPage->ComDataPacket1Packet2(p); },
                     StationWire::CvPacketSize);
        break;
    case PageLink:
        routePackets([this](const QString &p) { m_linkPage->ComDataPacket1Packet3(p); },
                     StationWire::LocoStatusPacketSize);
        break;
    default:
        break; // the routing of the page before stays in force
    }
}

void TfKorvant::routePackets(TComDataPacket::PacketHandler handler, int size)
{
    m_framer.attach();
    m_port.setDataSink([this](QByteArrayView chunk) { m_framer.feed(chunk); });
    m_framer.setOnPacket([this, handler = std::move(handler)](const QString &packet) {
        if (const QString failure = failureOf([&] { handler(packet); }); !failure.isEmpty())
            reportReceiveProblem(failure);
    });
    m_framer.setStationFraming(size);
}

void TfKorvant::ComPort2RxChar(int count)
{
    if (m_pageControl1->currentIndex() != PageFirmware)
        return; // the bytes stay in the port until a read or an instruction clears them
    const QString failure = failureOf(
        [&] { m_firmwarePage->ComPort2RxChar(m_port, count, m_configPage->values().onRxEvent); });
    if (!failure.isEmpty())
        reportReceiveProblem(failure);
}

void TfKorvant::reportReceiveProblem(const QString &message)
{
    qCWarning(lcReceive) << message;
    m_statusBar->showMessage(u"Received data ignored: "_s + message, 10000);
}

void TfKorvant::ShowMemoReceived(QPlainTextEdit *mMemo, const QString &sMemo)
{
    mMemo->setPlainText(MemoryImage::text(sMemo));
}

void TfKorvant::Button1Click()
{
    const bool onTop = !(windowFlags() & Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    m_stayOnTop->setText(onTop ? u"Leave TOP"_s : u"Stay on TOP"_s);
    if (m_shown)
        show();
}

void TfKorvant::sbQuitClick()
{
    closePortOnQuit();
    Q_EMIT quitRequested();
    QApplication::quit();
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
