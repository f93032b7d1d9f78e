#pragma once

#include "link/comport.h"
#include "link/instructionchannel.h"
#include "link/packetframer.h"
#include "link/sharedstate.h"

#include <QMainWindow>
#include <memory>

class ConfigPage;
class CvProgrammingPage;
class FirmwarePage;
class LampPanel;
class QLabel;
class LinkPage;
class PortStatusBar;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class ReadMePage;
class BrowserThrottleServer;
class RemoteThrottle;
struct RemoteSettings;
class InternalPage;
class MdnsAnnouncer;
class TurnoutDecoderPage;
class TurnoutEncoderPage;
class TurnoutLoadSavePage;
class UsbDriversPage;
class VersionUpdate;
class WebClient;
class WiThrottleServer;

// The main window `TfKorvant`: owns the pages, the port and the shared state, and wires them.
// Each page's own operations live in that page's class.
class TfKorvant final : public QMainWindow
{
    Q_OBJECT

public:
    enum MainPage
    {
        PageFirmware = 0,
        PageTurnout = 1,
        PageTurnoutDecoder = 2,
        PageTurnoutEncoder = 3,
        PageCVProgramming = 4,
        PageLink = 5,
        PageAdmin = 6
    };
    enum AdminPage
    {
        AdminReadMe,
        AdminUSB,
        AdminAppearance,
        AdminConfig,
        AdminSpecial
    };

    explicit TfKorvant(QWidget *parent = nullptr);
    ~TfKorvant() override;

    TComPort &port() { return m_port; }
    SharedState &state() { return m_state; }
    PortStatusBar *portStatusBar() const { return m_statusBar; }
    QTabWidget *pageControl1() const { return m_pageControl1; }
    QTabWidget *pageControl3() const { return m_pageControl3; }
    TComDataPacket &packetFramer() { return m_framer; }
    // The window's web client `IdHTTP1`: its progress shows in status bar panel 5.
    WebClient &webClient() { return *m_webClient; }
    VersionUpdate &versionUpdate() { return *m_versionUpdate; }
    UsbDriversPage &usbDriversPage() { return *m_usbDriversPage; }
    // The remote throttles: fed what the Link page is fed, sending through DoInstruction.
    RemoteThrottle &remoteThrottle() { return *m_remoteThrottle; }
    WiThrottleServer &withrottleServer() { return *m_withrottle; }
    BrowserThrottleServer &browserThrottleServer() { return *m_browserThrottle; }

    void DoInstruction(const QString &sDir);
    void FillStatusBar();
    // Lists hex digits into a memo as a memory image text.
    static void ShowMemoReceived(QPlainTextEdit *mMemo, const QString &sMemo);

    // Selects a main page as code does: no page-change event.
    void selectPage(int index);

    void Button_OpenClick();
    void Button_SettingsClick();
    void Button1Click();
    void sbQuitClick();
    void sbQuitMouseDown(Qt::MouseButton button);
    void Image1Click();

Q_SIGNALS:
    void quitRequested();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPages();
    QWidget *buildRightPanel();
    void wirePrintButtons();
    void addStopKeys();
    void stopKeyPressed();
    bool uploadRunning() const;
    void buildReconnectOffer();
    void applyFrameColour();
    void FormCreate();
    void FormShow();
    void FormDestroy() noexcept;
    // Closes the port if it is open; a failure is said ("ComPort Exception raised!" for the
    // port's own) and never leaves it.
    void closePortOnQuit() noexcept;
    // Buffer sizes and time-outs to the port, then open it; throws the port error.
    void openPort();
    void ComPortOpen();
    // Sends an instruction from inside the open event; a failure is said there.
    void sendOnOpen(const QString &instruction);
    void ComPortClose();
    void PageControl1Change(int index);
    void cancelUploads();
    void routePackets(TComDataPacket::PacketHandler handler, int size);
    void ComPort2RxChar(int count);
    // A received-data handler that met malformed data: said in the status bar, not in a box,
    // and reception goes on.
    void reportReceiveProblem(const QString &message);
    void writeDevelopmentVersionFile(const QString &version) const;
    void buildRemoteThrottles();
    void switchBrowserThrottle(bool on);
    void showBrowserAddress();
    void switchWiThrottle(bool on);
    static QString serviceName();
    // Says why a server cannot listen and throws its switch back, which the user sees.
    void switchBackOff(bool RemoteSettings::*which, const QString &server, int port,
                       const QString &failure);
    void showWiThrottleAddress();

    SharedState m_state;
    TComPort m_port;
    InstructionChannel m_instructions;
    TComDataPacket m_framer;
    bool m_shown = false;
    bool m_selectingByCode = false;
    // The open event's instruction failed (and said so): the connect step ends there.
    bool m_openInstructionFailed = false;

    QTabWidget *m_pageControl1 = nullptr;
    QTabWidget *m_pageControl3 = nullptr;
    FirmwarePage *m_firmwarePage = nullptr;
    TurnoutLoadSavePage *m_turnoutPage = nullptr;
    TurnoutDecoderPage *m_decoderPage = nullptr;
    TurnoutEncoderPage *m_encoderPage = nullptr;
    InternalPage *m_internalPage = nullptr;
    CvProgrammingPage *m_cvPage = nullptr;
    LinkPage *m_linkPage = nullptr;
    ReadMePage *m_readMePage = nullptr;
    UsbDriversPage *m_usbDriversPage = nullptr;
    ConfigPage *m_configPage = nullptr;
    PortStatusBar *m_statusBar = nullptr;
    LampPanel *m_lamps = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_stayOnTop = nullptr;
    QPushButton *m_checkNewVersion = nullptr;
    WebClient *m_webClient = nullptr;
    std::unique_ptr<VersionUpdate> m_versionUpdate;
    QToolButton *m_quit = nullptr;
    QLabel *m_logo = nullptr;
    class ReconnectWatcher *m_reconnect = nullptr;
    QPushButton *m_reconnectOffer = nullptr;
    QString m_portSerialNumber;
    // Last, so they go first, while the port and the channel they send through are still there.
    std::unique_ptr<RemoteThrottle> m_remoteThrottle;
    std::unique_ptr<BrowserThrottleServer> m_browserThrottle;
    std::unique_ptr<WiThrottleServer> m_withrottle;
    std::unique_ptr<MdnsAnnouncer> m_announcer;
};
