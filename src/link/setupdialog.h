#pragma once

#include "link/comport.h"

#include <QDialog>

class QComboBox;

// The port "Setup" dialog: six lists whose selections become pending values; the caller
// applies them in one batch when the user presses "OK".
class SetupDialog final : public QDialog
{
    Q_OBJECT

public:
    struct Pending
    {
        QString port;
        PortSettings::BaudRate baudRate = PortSettings::BaudRate::br9600;
        PortSettings::DataBits dataBits = PortSettings::DataBits::Eight;
        PortSettings::StopBits stopBits = PortSettings::StopBits::One;
        PortSettings::Parity parity = PortSettings::Parity::None;
        PortSettings::FlowControl flowControl = PortSettings::FlowControl::None;
    };

    SetupDialog(const TComPort::LineSettings &current, PortSettings::FlowControl flow,
                const QStringList &ports, QWidget *parent = nullptr);

    Pending pending() const;

    // The line settings the port takes from the pending values ("Custom" flow changes nothing).
    static TComPort::LineSettings applied(TComPort::LineSettings current, const Pending &pending);

private:
    void showUsbDetails();
    // The port doctor's findings for the port chosen in the list.
    void checkPort();
    QComboBox *addList(const QString &objectName, const QString &label, const QStringList &items,
                       const QString &present);

    class QFormLayout *m_form = nullptr;
    QComboBox *m_port = nullptr;
    QComboBox *m_baud = nullptr;
    QComboBox *m_data = nullptr;
    QComboBox *m_stop = nullptr;
    QComboBox *m_parity = nullptr;
    QComboBox *m_flow = nullptr;
};
