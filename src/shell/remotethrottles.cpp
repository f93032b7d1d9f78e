// The remote throttles: one core fed the Link page's status packets and sending through
// DoInstruction, the WiThrottle server in front of it, and the Configuration page's switch.
#include "admin/configpage.h"
#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "shell/commainform.h"
#include "ui/messages.h"

using namespace Qt::Literals::StringLiterals;

void TfKorvant::buildRemoteThrottles()
{
    // Exactly the Link page's instructions, by the same road, so the wire cannot tell them apart.
    m_remoteThrottle = std::make_unique<RemoteThrottle>(
        [this](const QString &instruction) { DoInstruction(instruction); });
    // No page's routing is in force until the user chooses a page.
    m_remoteThrottle->setReportsRouted(false);
    m_withrottle = std::make_unique<WiThrottleServer>(*m_remoteThrottle);
    connect(&m_port, &TComPort::heldChanged, this,
            [this](bool held) { m_remoteThrottle->setUploadRunning(held); });
    connect(m_configPage, &ConfigPage::wiThrottleSwitched, this, &TfKorvant::switchWiThrottle);
    connect(m_withrottle.get(), &WiThrottleServer::clientCountChanged, this,
            &TfKorvant::showWiThrottleAddress);
}

void TfKorvant::switchWiThrottle(bool on)
{
    if (!on) {
        m_withrottle->close();
        showWiThrottleAddress();
        return;
    }
    const RemoteSettings settings = m_configPage->remoteSettings();
    const QString failure = m_withrottle->listen(quint16(settings.wiThrottlePort));
    if (!failure.isEmpty()) {
        Messages::warning(this, u"Remote throttles: port %1 cannot be listened on (%2). "
                                "WiThrottle is switched off."_s.arg(settings.wiThrottlePort)
                                    .arg(failure));
        m_configPage->setRemoteSettings({false, settings.wiThrottlePort});
        return;
    }
    showWiThrottleAddress();
}

void TfKorvant::showWiThrottleAddress()
{
    if (!m_withrottle->isListening()) {
        m_configPage->showWiThrottleAddress({});
        return;
    }
    const QStringList hosts = WiThrottleServer::hostAddresses();
    const QString port = QString::number(m_withrottle->serverPort());
    const QString where =
        hosts.isEmpty()
            ? u"No network address found on this computer; WiThrottle listens on port %1."_s.arg(
                  port)
            : u"Phones connect to %1, port %2."_s.arg(hosts.join(u" or "_s), port);
    m_configPage->showWiThrottleAddress(
        where + u" Throttles connected: %1."_s.arg(m_withrottle->clientCount()));
}
