// The pages: how they are built, which one the received packets go to, and the uploads that end
// when the page changes.
#include "admin/appearancepage.h"
#include "admin/configpage.h"
#include "admin/internalpage.h"
#include "admin/readmepage.h"
#include "admin/usbdriverspage.h"
#include "cv/cvprogrammingpage.h"
#include "cv/printcv.h"
#include "firmware/firmwarepage.h"
#include "link/memoryimage.h"
#include "link/portstatusbar.h"
#include "link/stationwire.h"
#include "loco/linkpage.h"
#include "platform/korvanterror.h"
#include "remote/remotethrottle.h"
#include "shell/commainform.h"
#include "turnouts/printturnout.h"
#include "turnouts/turnoutdecoderpage.h"
#include "turnouts/turnoutencoderpage.h"
#include "turnouts/turnoutloadsavepage.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"
#include "web/webclient.h"

#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcReceive, "korvant.receive", QtInfoMsg)

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

} // namespace

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

void TfKorvant::selectPage(int index)
{
    m_selectingByCode = true;
    m_pageControl1->setCurrentIndex(index);
    m_selectingByCode = false;
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

void TfKorvant::PageControl1Change(int index)
{
    // An upload belongs to the page it was started on: leaving the page ends it.
    cancelUploads();
    switch (index) {
    case PageFirmware:
        m_remoteThrottle->setReportsRouted(false);
        m_framer.detach();
        m_port.setDataSink({});
        break;
    case PageTurnout:
        m_remoteThrottle->setReportsRouted(false);
        routePackets([this](const QString &p) { m_turnoutPage->ComDataPacket1packet(p); },
                     StationWire::TurnoutPacketSize);
        break;
    case PageCVProgramming:
        m_remoteThrottle->setReportsRouted(false);
        routePackets([this](const QString &p) { m_cvPage->ComDataPacket1Packet2(p); },
                     StationWire::CvPacketSize);
        break;
    case PageLink:
        // The remote throttles read what the page reads, after it: a packet the page refuses
        // changes nothing for them either.
        routePackets(
            [this](const QString &p) {
                m_linkPage->ComDataPacket1Packet3(p);
                m_remoteThrottle->applyStatusPacket(p);
            },
            StationWire::LocoStatusPacketSize);
        m_remoteThrottle->setReportsRouted(true);
        break;
    default:
        break; // the routing of the page before stays in force
    }
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

bool TfKorvant::uploadRunning() const
{
    return m_firmwarePage->isUploading() || m_turnoutPage->isUploading() || m_cvPage->isUploading();
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
