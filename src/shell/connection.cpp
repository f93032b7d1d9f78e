// Connecting and disconnecting: the port opened and closed, what a failed connect says, the Setup
// dialog.
#include "admin/configpage.h"
#include "cv/cvprogrammingpage.h"
#include "firmware/firmwarepage.h"
#include "link/comporterror.h"
#include "link/portdoctor.h"
#include "link/portnames.h"
#include "link/reconnectwatcher.h"
#include "link/setupdialog.h"
#include "loco/linkpage.h"
#include "platform/currentuser.h"
#include "platform/serialaccess.h"
#include "remote/remotethrottle.h"
#include "shell/commainform.h"
#include "turnouts/turnoutloadsavepage.h"
#include "ui/errorguard.h"
#include "ui/messages.h"

#include <QPushButton>
#include <cerrno>

using namespace Qt::Literals::StringLiterals;

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
    m_remoteThrottle->setLinkOpen(true);
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
    m_remoteThrottle->setLinkOpen(false);
}
