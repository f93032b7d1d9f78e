#include "link/setupdialog.h"

#include "link/portdoctor.h"
#include "link/portnames.h"
#include "platform/currentuser.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;
using namespace PortSettings;

SetupDialog::SetupDialog(const TComPort::LineSettings &current, FlowControl flow,
                         const QStringList &ports, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"SetupDialog"_s);
    setWindowTitle(u"Setup"_s);
    auto *group = new QGroupBox(u" Settings "_s, this);
    m_form = new QFormLayout(group);
    m_port = addList(u"cbPort"_s, u"Port"_s, ports, current.port);
    showUsbDetails();
    m_baud = addList(u"cbBaudRate"_s, u"Baud rate"_s, baudRateNames(), name(current.baudRate));
    m_data = addList(u"cbDataBits"_s, u"Data bits"_s, dataBitsNames(), name(current.dataBits));
    m_stop = addList(u"cbStopBits"_s, u"Stop bits"_s, stopBitsNames(), name(current.stopBits));
    m_parity = addList(u"cbParity"_s, u"Parity"_s, parityNames(), name(current.parity));
    m_flow = addList(u"cbFlowControl"_s, u"Flow control"_s, flowControlNames(), name(flow));
    auto *check = namedControl<QPushButton>(u"Button_CheckPort"_s, u"Check port"_s, group);
    connect(check, &QPushButton::clicked, this, &SetupDialog::checkPort);
    m_form->addRow(QString(), check);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"OK"_s);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Cancel"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);

    // Centred on the screen rather than over the window, where users have always found it.
    adjustSize();
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    move(screen->availableGeometry().center() - rect().center());
}

QComboBox *SetupDialog::addList(const QString &objectName, const QString &label,
                                const QStringList &items, const QString &present)
{
    auto *list = namedControl<QComboBox>(objectName, this);
    list->addItems(items);
    // The entry equal to the present value without regard to case; none when it is not listed.
    list->setCurrentIndex(int(items.indexOf(present, 0)));
    for (int i = 0; i < items.size() && list->currentIndex() < 0; ++i) {
        if (items.at(i).compare(present, Qt::CaseInsensitive) == 0)
            list->setCurrentIndex(i);
    }
    m_form->addRow(label, list);
    return list;
}

void SetupDialog::showUsbDetails()
{
    // Each USB port shows what is behind it; the name chosen stays the plain port name.
    const QHash<QString, PortNames::UsbDetails> usb = PortNames::usbDetailsByName();
    for (int i = 0; i < m_port->count(); ++i) {
        const QString name = m_port->itemText(i);
        m_port->setItemData(i, name);
        if (const QString details = PortNames::describe(usb.value(name)); !details.isEmpty()) {
            m_port->setItemText(i, u"%1  (%2)"_s.arg(name, details));
        }
    }
}

void SetupDialog::checkPort()
{
    const PortDoctor::PortCheck check =
        PortDoctor::checkPort(pending().port, PortDoctor::systemRoot(), currentUser());
    const QString text = PortDoctor::report(check).join(u'\n');
    if (check.blocks())
        Messages::warning(this, text);
    else
        Messages::information(this, text);
}

SetupDialog::Pending SetupDialog::pending() const
{
    Pending p;
    p.port = m_port->currentIndex() >= 0 ? m_port->currentData().toString() : QString();
    p.baudRate = baudRateFromName(m_baud->currentText());
    p.dataBits = dataBitsFromName(m_data->currentText());
    p.stopBits = stopBitsFromName(m_stop->currentText());
    p.parity = parityFromName(m_parity->currentText());
    p.flowControl = flowControlFromName(m_flow->currentText());
    return p;
}

TComPort::LineSettings SetupDialog::applied(TComPort::LineSettings current, const Pending &pending)
{
    current.port = pending.port;
    current.baudRate = pending.baudRate;
    current.dataBits = pending.dataBits;
    current.stopBits = pending.stopBits;
    current.parity = pending.parity;
    current.flowControl = withFlowControl(current.flowControl, pending.flowControl);
    return current;
}
