#include "admin/configpage.h"

#include "link/comport.h"
#include "remote/browserthrottle.h"
#include "ui/errorguard.h"
#include "ui/namedcontrol.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

using namespace Qt::Literals::StringLiterals;

ConfigPage::ConfigPage(TComPort &port, QWidget *parent) : QWidget(parent), m_port(port)
{
    setObjectName(u"Panel10"_s);
    auto *page = new QVBoxLayout(this);
    auto *intro = new QLabel(u"This page contains parameters used during development - Default "
                             "is recommended for use with strandard USB/UART converter - "_s,
                             this);
    intro->setObjectName(u"StaticText4"_s);
    intro->setWordWrap(true);
    page->addWidget(intro);

    auto *columns = new QHBoxLayout;
    page->addLayout(columns);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    auto *timeouts =
        namedControl<QGroupBox>(u"gbTimout"_s, u" Time Out Parameters -  Comport  (ms)"_s, this);
    auto *form = new QFormLayout(timeouts);
    m_readInterval = addSpin(form, u"seReadInterval"_s, u"Read Interval"_s, -1, -10, 10000);
    m_readTotalConstant =
        addSpin(form, u"seReadTotalConstant"_s, u"Read Total Constant"_s, 100, INT_MIN, INT_MAX);
    m_readTotalMultiplier = addSpin(form, u"seReadTotalMultiplier"_s, u"Read Total Multiplier"_s,
                                    100, INT_MIN, INT_MAX);
    m_writeTotalConstant =
        addSpin(form, u"seWriteTotalConstant"_s, u"Write Total Constant"_s, 1000, INT_MIN, INT_MAX);
    m_writeTotalMultiplier = addSpin(form, u"seWriteTotalMultiplier"_s, u"Write Total Multiplier"_s,
                                     100, INT_MIN, INT_MAX);
    left->addWidget(timeouts);

    auto *buffers = new QGroupBox(this);
    auto *bufferForm = new QFormLayout(buffers);
    m_bufferIn =
        addSpin(bufferForm, u"seBufferIn"_s, u"Buffer Size (In)"_s, 1024, INT_MIN, INT_MAX);
    m_bufferOut =
        addSpin(bufferForm, u"seBufferOut"_s, u"Buffer Size (Out)"_s, 1024, INT_MIN, INT_MAX);
    left->addWidget(buffers);

    const QStringList protocols{u"Synchronous"_s, u"Asynchronous"_s};
    m_txProtocol = new RadioGroup(u"rgTXProtocol"_s, u" Transmit Protocol "_s, protocols, this);
    m_rxProtocol = new RadioGroup(u"rgRxProtocol"_s, u" Receive Protocol "_s, protocols, this);
    m_txProtocol->setItemIndex(0);
    m_rxProtocol->setItemIndex(0);
    auto *protocolRow = new QHBoxLayout;
    protocolRow->addWidget(m_txProtocol);
    protocolRow->addWidget(m_rxProtocol);
    right->addLayout(protocolRow);

    m_onRxEvent = addCheck(
        right, u"cbOnRxEvent"_s,
        u" Activate RX Event (required on the Special Korvant 16F1455/1459  chip)"_s, false);
    m_specialRead =
        addCheck(right, u"cbSpecialRead"_s, u"Enable Read for Korvant 16F1455/1459 chip"_s, false);
    m_showFeedback = addCheck(right, u"cbShowFeedback"_s, u"Show Feedback on Upload"_s, true);
    m_showSelection =
        addCheck(right, u"cbShowSelectionOnUpload"_s, u"Show Selection on Upload"_s, true);
    m_clearToSend = addCheck(right, u"cbClearToSend"_s,
                             u"Activate CTS (Clear to Send) - Harware Flow Control"_s, true);
    m_directUpload =
        addCheck(right, u"cbdirectUpload"_s, u"Direct Upload (16F1455) High Speed"_s, false);
    m_directUploadComm = addCheck(right, u"cbDirectUploadComm"_s,
                                  u"Direct Upload commercial (FTDI-CP2102, etc.)"_s, false);

    auto *defaults = namedControl<QPushButton>(u"bDefault"_s, u"&Default"_s, this);
    right->addWidget(defaults, 0, Qt::AlignLeft);
    right->addStretch();
    page->addWidget(buildRemoteGroup());
    page->addStretch();

    connect(defaults, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bDefaultClick(); }); });
    connect(m_readInterval, &QSpinBox::valueChanged, this,
            [this](int v) { m_port.setReadInterval(v); });
    connect(m_readTotalConstant, &QSpinBox::valueChanged, this,
            [this](int v) { m_port.setReadTotalConstant(v); });
    connect(m_readTotalMultiplier, &QSpinBox::valueChanged, this,
            [this](int v) { m_port.setReadTotalMultiplier(v); });
    connect(m_writeTotalConstant, &QSpinBox::valueChanged, this,
            [this](int v) { m_port.setWriteTotalConstant(v); });
    connect(m_writeTotalMultiplier, &QSpinBox::valueChanged, this,
            [this](int v) { m_port.setWriteTotalMultiplier(v); });
    // A change of state from code acts like a click, so the defaults refresh the status bar.
    connect(m_directUploadComm, &QCheckBox::toggled, this,
            [this] { guarded(this, [this] { cbDirectUploadCommClick(); }); });
}

QGroupBox *ConfigPage::buildRemoteGroup()
{
    auto *group = namedControl<QGroupBox>(u"gbRemoteThrottles"_s, u" Remote throttles "_s, this);
    auto *grid = new QGridLayout(group);
    grid->setColumnStretch(5, 1);

    m_browserThrottle = namedControl<QCheckBox>(u"cbBrowserThrottle"_s,
                                                u"Browser throttle (any phone's browser)"_s, this);
    m_browserPort = addPortSpin(u"seBrowserThrottlePort"_s, RemoteSettings::DefaultBrowserPort);
    m_accessCode = namedControl<QLineEdit>(u"eAccessCode"_s, this);
    m_accessCode->setMaxLength(MaxAccessCodeLength);
    m_accessCode->setPlaceholderText(u"made up when switched on"_s);
    grid->addWidget(m_browserThrottle, 0, 0);
    grid->addWidget(buddyLabel(u"Port"_s, m_browserPort), 0, 1);
    grid->addWidget(m_browserPort, 0, 2);
    grid->addWidget(buddyLabel(u"Access code"_s, m_accessCode), 0, 3);
    grid->addWidget(m_accessCode, 0, 4);
    m_browserAddress = namedControl<QLabel>(u"stBrowserAddress"_s, this);
    m_browserAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_browserAddress->setWordWrap(true);
    m_browserAddress->hide();
    grid->addWidget(m_browserAddress, 1, 0, 1, 5);
    m_browserQrCode = namedControl<QLabel>(u"imBrowserQrCode"_s, this);
    m_browserQrCode->hide();
    grid->addWidget(m_browserQrCode, 0, 6, 4, 1, Qt::AlignTop);

    m_wiThrottle =
        namedControl<QCheckBox>(u"cbWiThrottle"_s, u"WiThrottle (phone throttle apps)"_s, this);
    m_wiThrottlePort = addPortSpin(u"seWiThrottlePort"_s, RemoteSettings::DefaultWiThrottlePort);
    auto *note = namedControl<QLabel>(u"stWiThrottleNote"_s, this);
    note->setText(u"WiThrottle has no password in its protocol: anyone on this network can "
                  "drive the locos."_s);
    note->setWordWrap(true);
    grid->addWidget(m_wiThrottle, 2, 0);
    grid->addWidget(buddyLabel(u"Port"_s, m_wiThrottlePort), 2, 1);
    grid->addWidget(m_wiThrottlePort, 2, 2);
    grid->addWidget(note, 2, 3, 1, 3);
    m_wiThrottleAddress = namedControl<QLabel>(u"stWiThrottleAddress"_s, this);
    m_wiThrottleAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_wiThrottleAddress->setWordWrap(true);
    m_wiThrottleAddress->hide();
    grid->addWidget(m_wiThrottleAddress, 3, 0, 1, 5);

    connect(m_browserThrottle, &QCheckBox::toggled, this, &ConfigPage::browserThrottleToggled);
    connect(m_wiThrottle, &QCheckBox::toggled, this, [this](bool on) {
        // The port a running server listens on stays as it is until the server is off.
        m_wiThrottlePort->setEnabled(!on);
        Q_EMIT wiThrottleSwitched(on);
    });
    return group;
}

void ConfigPage::browserThrottleToggled(bool on)
{
    // A throttle without a code would let anyone on the network drive, and one the user has
    // to think up first is a switch that does not work: make one up, which they may change.
    if (on && accessCode().isEmpty())
        m_accessCode->setText(BrowserThrottleServer::newAccessCode());
    // Port and code stay as the running server has them until it is off; a new code would
    // otherwise lock out every phone without a word.
    m_browserPort->setEnabled(!on);
    m_accessCode->setEnabled(!on);
    Q_EMIT browserThrottleSwitched(on);
}

QString ConfigPage::accessCode() const
{
    return m_accessCode->text().trimmed();
}

QSpinBox *ConfigPage::addPortSpin(const QString &name, int port)
{
    auto *spin = namedControl<QSpinBox>(name, this);
    spin->setRange(1, 65535);
    spin->setValue(port);
    return spin;
}

QLabel *ConfigPage::buddyLabel(const QString &caption, QWidget *buddy)
{
    auto *label = new QLabel(caption, this);
    label->setBuddy(buddy);
    return label;
}

RemoteSettings ConfigPage::remoteSettings() const
{
    return RemoteSettings{.browserThrottle = m_browserThrottle->isChecked(),
                          .browserPort = m_browserPort->value(),
                          .accessCode = accessCode(),
                          .wiThrottle = m_wiThrottle->isChecked(),
                          .wiThrottlePort = m_wiThrottlePort->value()};
}

void ConfigPage::setRemoteSettings(const RemoteSettings &settings)
{
    // Ports and code first: the switches start the servers with them.
    m_browserPort->setValue(settings.browserPort);
    m_accessCode->setText(settings.accessCode.left(MaxAccessCodeLength));
    m_wiThrottlePort->setValue(settings.wiThrottlePort);
    m_browserThrottle->setChecked(settings.browserThrottle);
    m_wiThrottle->setChecked(settings.wiThrottle);
}

void ConfigPage::showBrowserAddress(const QString &text, const QImage &qrCode)
{
    m_browserAddress->setText(text);
    m_browserAddress->setVisible(!text.isEmpty());
    m_browserQrCode->setPixmap(QPixmap::fromImage(qrCode));
    m_browserQrCode->setVisible(!qrCode.isNull());
}

void ConfigPage::showWiThrottleAddress(const QString &text)
{
    m_wiThrottleAddress->setText(text);
    m_wiThrottleAddress->setVisible(!text.isEmpty());
}

QSpinBox *ConfigPage::addSpin(QFormLayout *form, const QString &name, const QString &label,
                              int value, int minimum, int maximum)
{
    auto *spin = namedControl<QSpinBox>(name, this);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    form->addRow(label, spin);
    return spin;
}

QCheckBox *ConfigPage::addCheck(QVBoxLayout *column, const QString &name, const QString &caption,
                                bool checked)
{
    auto *box = namedControl<QCheckBox>(name, caption, this);
    box->setChecked(checked);
    column->addWidget(box);
    return box;
}

ConfigValues ConfigPage::values() const
{
    ConfigValues v;
    v.readInterval = m_readInterval->value();
    v.readTotalConstant = m_readTotalConstant->value();
    v.readTotalMultiplier = m_readTotalMultiplier->value();
    v.writeTotalConstant = m_writeTotalConstant->value();
    v.writeTotalMultiplier = m_writeTotalMultiplier->value();
    v.txProtocol = m_txProtocol->itemIndex();
    v.rxProtocol = m_rxProtocol->itemIndex();
    v.specialRead = m_specialRead->isChecked();
    v.onRxEvent = m_onRxEvent->isChecked();
    v.bufferIn = m_bufferIn->value();
    v.bufferOut = m_bufferOut->value();
    v.showSelection = m_showSelection->isChecked();
    v.showFeedback = m_showFeedback->isChecked();
    v.clearToSend = m_clearToSend->isChecked();
    v.specialDirect = m_directUpload->isChecked();
    v.specialDirectComm = m_directUploadComm->isChecked();
    return v;
}

void ConfigPage::bDefaultClick()
{
    m_readInterval->setValue(PortDefaults::ReadInterval);
    m_readTotalConstant->setValue(PortDefaults::ReadTotalConstant);
    m_readTotalMultiplier->setValue(PortDefaults::ReadTotalMultiplier);
    m_writeTotalConstant->setValue(PortDefaults::WriteTotalConstant);
    m_writeTotalMultiplier->setValue(PortDefaults::WriteTotalMultiplier);
    m_txProtocol->setItemIndex(0);
    m_rxProtocol->setItemIndex(0);
    m_showFeedback->setChecked(true);
    m_showSelection->setChecked(false);
    m_onRxEvent->setChecked(false);
    m_specialRead->setChecked(false);
    m_clearToSend->setChecked(false);
    m_directUpload->setChecked(true);
    m_directUploadComm->setChecked(false);
    m_bufferIn->setValue(PortDefaults::BufferSize);
    m_bufferOut->setValue(PortDefaults::BufferSize);
    m_port.setFlowControl(PortDefaults::FlowControl);
    m_port.setBaudRate(PortDefaults::BaudRate);
    Q_EMIT portSettingsChanged();
}

void ConfigPage::pushToPort()
{
    const ConfigValues v = values();
    m_port.setInputBufferSize(v.bufferIn);
    m_port.setOutputBufferSize(v.bufferOut);
    m_port.setReadInterval(v.readInterval);
    m_port.setReadTotalConstant(v.readTotalConstant);
    m_port.setReadTotalMultiplier(v.readTotalMultiplier);
    m_port.setWriteTotalMultiplier(v.writeTotalMultiplier);
    m_port.setWriteTotalConstant(v.writeTotalConstant);
}

void ConfigPage::cbDirectUploadCommClick()
{
    if (m_directUploadComm->isChecked())
        m_port.setFlowControl(PortSettings::FlowControl::None);
    Q_EMIT portSettingsChanged();
}
