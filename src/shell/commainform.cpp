// The main window: owns the pages, the port and the shared state, and wires them.
#include "shell/commainform.h"

#include "admin/configpage.h"
#include "firmware/firmwarepage.h"
#include "firmware/hexlistdialog.h"
#include "link/portstatusbar.h"
#include "link/reconnectwatcher.h"
#include "remote/browserthrottle.h"
#include "remote/mdnsannouncer.h"
#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "ui/errorguard.h"
#include "ui/messages.h"
#include "web/versionupdate.h"
#include "web/webclient.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

using namespace Qt::Literals::StringLiterals;

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
    buildRemoteThrottles();
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

void TfKorvant::DoInstruction(const QString &sDir)
{
    m_instructions.DoInstruction(sDir);
}
