// The remote throttles: one core fed the Link page's status packets and sending through
// DoInstruction, the browser throttle and the WiThrottle server in front of it, and the
// Configuration page's switches.
#include "admin/configpage.h"
#include "remote/browserthrottle.h"
#include "remote/mdnsannouncer.h"
#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "shell/commainform.h"
#include "ui/messages.h"
#include "ui/qrcode.h"

#include <QImage>
#include <QSysInfo>

using namespace Qt::Literals::StringLiterals;

void TfKorvant::buildRemoteThrottles()
{
    // Exactly the Link page's instructions, by the same road, so the wire cannot tell them apart.
    m_remoteThrottle = std::make_unique<RemoteThrottle>(
        [this](const QString &instruction) { DoInstruction(instruction); });
    // No page's routing is in force until the user chooses a page.
    m_remoteThrottle->setReportsRouted(false);
    m_browserThrottle = std::make_unique<BrowserThrottleServer>(*m_remoteThrottle);
    m_withrottle = std::make_unique<WiThrottleServer>(*m_remoteThrottle);
    connect(&m_port, &TComPort::heldChanged, this,
            [this](bool held) { m_remoteThrottle->setUploadRunning(held); });
    connect(m_configPage, &ConfigPage::browserThrottleSwitched, this,
            &TfKorvant::switchBrowserThrottle);
    connect(m_browserThrottle.get(), &BrowserThrottleServer::clientCountChanged, this,
            &TfKorvant::showBrowserAddress);
    connect(m_configPage, &ConfigPage::wiThrottleSwitched, this, &TfKorvant::switchWiThrottle);
    connect(m_withrottle.get(), &WiThrottleServer::clientCountChanged, this,
            &TfKorvant::showWiThrottleAddress);
    m_announcer = std::make_unique<MdnsAnnouncer>();
    connect(m_announcer.get(), &MdnsAnnouncer::stateChanged, this,
            &TfKorvant::showWiThrottleAddress);
}

void TfKorvant::switchBrowserThrottle(bool on)
{
    if (!on) {
        m_browserThrottle->close();
        showBrowserAddress();
        return;
    }
    const RemoteSettings settings = m_configPage->remoteSettings();
    m_browserThrottle->setAccessCode(settings.accessCode);
    const QString failure = m_browserThrottle->listen(quint16(settings.browserPort));
    if (!failure.isEmpty()) {
        switchBackOff(&RemoteSettings::browserThrottle, u"The browser throttle"_s,
                      settings.browserPort, failure);
        return;
    }
    showBrowserAddress();
}

void TfKorvant::showBrowserAddress()
{
    if (!m_browserThrottle->isListening()) {
        m_configPage->showBrowserAddress({}, {});
        return;
    }
    const QStringList hosts = WiThrottleServer::hostAddresses();
    const quint16 port = m_browserThrottle->port();
    const QString connected = u" Browsers connected: %1."_s.arg(m_browserThrottle->clientCount());
    if (hosts.isEmpty()) {
        m_configPage->showBrowserAddress(
            u"No network address found on this computer; the browser throttle listens on port "
            "%1."_s.arg(port) +
                connected,
            {});
        return;
    }
    QStringList pages;
    for (const QString &host : hosts)
        pages.append(BrowserThrottleServer::pageAddress(host, port));
    // The code rides in the QR code's address, so a phone that scans it needs nothing typed.
    const QString code = m_configPage->remoteSettings().accessCode;
    m_configPage->showBrowserAddress(
        u"Phones open %1 and give the access code, or scan the QR code."_s.arg(
            pages.join(u" or "_s)) +
            connected,
        QrCode::image(BrowserThrottleServer::pageAddress(hosts.first(), port, code)));
}

void TfKorvant::switchWiThrottle(bool on)
{
    if (!on) {
        m_announcer->withdraw();
        m_withrottle->close();
        showWiThrottleAddress();
        return;
    }
    const RemoteSettings settings = m_configPage->remoteSettings();
    const QString failure = m_withrottle->listen(quint16(settings.wiThrottlePort));
    if (!failure.isEmpty()) {
        switchBackOff(&RemoteSettings::wiThrottle, u"WiThrottle"_s, settings.wiThrottlePort,
                      failure);
        return;
    }
    m_announcer->announce(serviceName(), m_withrottle->serverPort());
    showWiThrottleAddress();
}

void TfKorvant::switchBackOff(bool RemoteSettings::*which, const QString &server, int port,
                              const QString &failure)
{
    Messages::warning(this, u"Remote throttles: port %1 cannot be listened on (%2). %3 is "
                            "switched off."_s.arg(port)
                                .arg(failure, server));
    RemoteSettings settings = m_configPage->remoteSettings();
    settings.*which = false;
    m_configPage->setRemoteSettings(settings);
}

QString TfKorvant::serviceName()
{
    // What the apps list; an mDNS name holds at most 63 bytes, so a long host name is cut.
    QString name = u"Korvant on "_s + QSysInfo::machineHostName();
    while (name.toUtf8().size() > 63)
        name.chop(1);
    return name;
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
        where + u" Throttles connected: %1. "_s.arg(m_withrottle->clientCount()) +
        m_announcer->stateText());
}
