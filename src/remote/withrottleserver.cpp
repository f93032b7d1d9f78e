#include "remote/withrottleserver.h"

#include "platform/korvanterror.h"
#include "remote/remotethrottle.h"
#include "remote/withrottleprotocol.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <array>
#include <optional>

using namespace Qt::Literals::StringLiterals;
using WiThrottle::Action;
using WiThrottle::Command;
using Toggle = RemoteThrottle::Toggle;

Q_LOGGING_CATEGORY(lcRemote, "korvant.remote", QtInfoMsg)

namespace {

constexpr int MaxNameLength = 40;
constexpr int CloseWaitMs = 5000;
// What Qt reads ahead of us from one client; our own reader holds at most one line more.
constexpr qint64 ReadBufferSize = 4 * WiThrottle::MaxLineLength;
constexpr qint64 ReadChunk = 4096;
const QStringList FunctionLabels{u"Headlight"_s, u"F1"_s, u"F2"_s, u"F3"_s, u"F4"_s};

QByteArray ended(QByteArray line)
{
    line.append(WiThrottle::LineEnd);
    return line;
}

// F0 is the headlight; F1 to F4 the station's four functions; nothing above.
std::optional<Toggle> toggleOfFunction(int function)
{
    if (function == 0)
        return Toggle::Headlight;
    if (function >= 1 && function <= RemoteThrottle::FunctionCount)
        return RemoteThrottle::functionToggle(function);
    return std::nullopt;
}

int functionOfToggle(Toggle toggle)
{
    return toggle == Toggle::Headlight ? 0 : int(toggle) - int(Toggle::F1) + 1;
}

// The line said last goes out before the connection ends; a peer that does not take it is cut
// off after a while.
void closeSocket(QTcpSocket *socket)
{
    QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    QTimer::singleShot(CloseWaitMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

} // namespace

// What one client holds and what it was last shown of it, so a status packet pushes only what
// changed for that client.
struct WiThrottleServer::Held
{
    char throttle = 0;
    QByteArray key;
    int address = 0;
    int shownSpeed = -1; // on the phone's scale
    std::array<std::optional<bool>, RemoteThrottle::ToggleCount> shown{};
    int shownMode = -1;
};

struct WiThrottleServer::Client
{
    QPointer<QTcpSocket> socket;
    WiThrottle::LineReader reader;
    QString name;
    std::vector<Held> held;
    QString lastRefusal;
    std::unique_ptr<QTimer> heartbeat = std::make_unique<QTimer>();
    bool heartbeatOn = false;
    bool lapsed = false;
    bool reading = false;
    // Gone, but kept until no handler runs: a handler that ran the event loop (an instruction
    // does) may come back to it.
    bool dropped = false;

    QString who() const { return name.isEmpty() ? u"a phone"_s : name; }
    bool holds(int address) const
    {
        return std::any_of(held.begin(), held.end(),
                           [address](const Held &h) { return h.address == address; });
    }
};

class WiThrottleServer::Busy
{
public:
    explicit Busy(WiThrottleServer &server) : m_server(server) { ++m_server.m_depth; }
    ~Busy()
    {
        if (--m_server.m_depth == 0)
            m_server.purge();
    }
    Q_DISABLE_COPY_MOVE(Busy)

private:
    WiThrottleServer &m_server;
};

WiThrottleServer::WiThrottleServer(RemoteThrottle &throttle, QObject *parent)
    : QObject(parent), m_throttle(throttle), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        Busy busy(*this);
        acceptClients();
    });
    connect(&m_throttle, &RemoteThrottle::slotChanged, this, [this](int slot) {
        Busy busy(*this);
        pushSlot(slot);
    });
    connect(&m_throttle, &RemoteThrottle::rosterChanged, this, [this] {
        Busy busy(*this);
        pushRoster();
    });
    connect(&m_throttle, &RemoteThrottle::availabilityChanged, this,
            [this](bool available, const QString &refusal) {
                Busy busy(*this);
                pushAvailability(available, refusal);
            });
}

WiThrottleServer::~WiThrottleServer()
{
    // Nobody listens any more while the window goes.
    blockSignals(true);
    close();
}

QString WiThrottleServer::listen(quint16 port)
{
    close();
    if (!m_server->listen(QHostAddress::Any, port))
        return m_server->errorString();
    qCInfo(lcRemote) << "WiThrottle server listening on port" << m_server->serverPort();
    return {};
}

void WiThrottleServer::close()
{
    Busy busy(*this);
    if (m_server->isListening())
        m_server->close();
    for (std::size_t i = 0; i < m_clients.size(); ++i)
        drop(*m_clients[i], Leaving::Lost, u"Remote throttles were switched off at the desk."_s);
}

bool WiThrottleServer::isListening() const
{
    return m_server->isListening();
}

quint16 WiThrottleServer::serverPort() const
{
    return m_server->serverPort();
}

int WiThrottleServer::clientCount() const
{
    return int(std::count_if(m_clients.begin(), m_clients.end(),
                             [](const auto &c) { return !c->dropped; }));
}

int WiThrottleServer::holderCount(int address) const
{
    return int(std::count_if(m_clients.begin(), m_clients.end(), [address](const auto &c) {
        return !c->dropped && c->holds(address);
    }));
}

void WiThrottleServer::setHeartbeatSeconds(int seconds)
{
    m_heartbeatSeconds = std::max(1, seconds);
}

QStringList WiThrottleServer::hostAddresses()
{
    QStringList addresses;
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            addresses.append(address.toString());
    }
    addresses.sort();
    addresses.removeDuplicates();
    return addresses;
}

void WiThrottleServer::acceptClients()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (clientCount() >= MaxClients) {
            qCInfo(lcRemote) << "refused a client from" << socket->peerAddress().toString();
            socket->write(
                ended(WiThrottle::alert(u"%1 throttles are connected already, the most "
                                        "this station takes. Try again later."_s.arg(MaxClients))));
            closeSocket(socket);
            continue;
        }
        socket->setReadBufferSize(ReadBufferSize);
        m_clients.push_back(std::make_unique<Client>());
        Client *client = m_clients.back().get();
        client->socket = socket;
        client->heartbeat->setSingleShot(true);
        connect(client->heartbeat.get(), &QTimer::timeout, this, [this, client] {
            Busy busy(*this);
            if (!client->dropped)
                heartbeatLapsed(*client);
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, client] {
            Busy busy(*this);
            if (!client->dropped)
                readClient(*client);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, client] {
            Busy busy(*this);
            drop(*client, Leaving::Lost);
        });
        qCInfo(lcRemote) << "client from" << socket->peerAddress().toString();
        const QList<QByteArray> greeting = {WiThrottle::version(), rosterLine(),
                                            WiThrottle::heartbeat(m_heartbeatSeconds)};
        for (const QByteArray &line : greeting)
            send(*client, line);
        if (const QString refusal = m_throttle.refusal(); !refusal.isEmpty())
            sayRefusal(*client, refusal);
        Q_EMIT clientCountChanged(clientCount());
        // Bytes that came with the connection are read as any others.
        if (!client->dropped && socket->bytesAvailable() > 0)
            readClient(*client);
    }
}

void WiThrottleServer::readClient(Client &client)
{
    // Each line is handled in turn: one that ran the event loop does not let the next overtake.
    if (client.reading)
        return;
    client.reading = true;
    while (!client.dropped && client.socket && client.socket->bytesAvailable() > 0) {
        const QByteArray bytes = client.socket->read(ReadChunk);
        QList<QByteArray> lines;
        const bool withinBounds = client.reader.feed(bytes, lines);
        for (const QByteArray &line : std::as_const(lines)) {
            if (client.dropped)
                break;
            handleLine(client, WiThrottle::parse(line));
        }
        if (!withinBounds) {
            drop(client, Leaving::Lost,
                 u"A line longer than %1 bytes came: the connection is closed."_s.arg(
                     WiThrottle::MaxLineLength));
        }
    }
    client.reading = false;
}

void WiThrottleServer::handleLine(Client &client, const Command &command)
{
    heard(client);
    switch (command.action) {
    case Action::Ignored:
    case Action::Heartbeat:
        return;
    case Action::Refused:
        drop(client, Leaving::Lost);
        return;
    case Action::Name:
        client.name = command.text.left(MaxNameLength).trimmed();
        send(client, WiThrottle::heartbeat(m_heartbeatSeconds));
        return;
    case Action::HardwareId:
        return;
    case Action::HeartbeatOn:
        client.heartbeatOn = true;
        heard(client);
        return;
    case Action::HeartbeatOff:
        client.heartbeatOn = false;
        client.heartbeat->stop();
        return;
    case Action::Quit:
        drop(client, Leaving::Quit);
        return;
    case Action::Acquire:
        acquire(client, command);
        return;
    case Action::Release:
        release(client, command);
        return;
    default:
        act(client, command);
        return;
    }
}

void WiThrottleServer::acquire(Client &client, const Command &command)
{
    if (const QString refusal = m_throttle.refusal(); !refusal.isEmpty()) {
        alert(client, refusal);
        return;
    }
    if (!m_throttle.hasStatus()) {
        alert(client, u"The station has not reported its locos yet. A loco driven once on the "
                      "Link page makes it report them."_s);
        return;
    }
    if (m_throttle.slotOfAddress(command.address) == 0) {
        QStringList addresses;
        for (int slot = 1; slot <= RemoteThrottle::SlotCount; ++slot) {
            if (const int address = m_throttle.slot(slot).address; address > 0)
                addresses.append(QString::number(address));
        }
        alert(client, u"Loco %1 is not on the station: its slots hold %2."_s.arg(
                          QString::number(command.address),
                          addresses.isEmpty() ? u"none"_s : addresses.join(u", "_s)));
        return;
    }
    auto held = std::find_if(client.held.begin(), client.held.end(), [&](const Held &h) {
        return h.throttle == command.throttle && h.key == command.key;
    });
    if (held == client.held.end()) {
        if (client.held.size() >= MaxThrottlesPerClient) {
            alert(client, u"A phone holds at most %1 locos here."_s.arg(MaxThrottlesPerClient));
            return;
        }
        client.held.push_back(Held{command.throttle, command.key, command.address, -1, {}, -1});
        held = client.held.end() - 1;
    }
    QStringList others;
    for (const auto &other : m_clients) {
        if (other.get() != &client && !other->dropped && other->holds(command.address))
            others.append(other->who());
    }
    send(client, WiThrottle::acquired(command.throttle, command.key));
    send(client, WiThrottle::functionLabels(command.throttle, command.key, FunctionLabels));
    pushState(client, *held, true);
    if (!others.isEmpty()) {
        send(client, WiThrottle::info(u"Loco %1 is also driven from %2."_s.arg(
                         QString::number(command.address), others.join(u", "_s))));
    }
}

void WiThrottleServer::release(Client &client, const Command &command)
{
    bool released = false;
    for (std::size_t i = client.held.size(); i-- > 0;) {
        const Held &held = client.held[i];
        if (held.throttle != command.throttle || (command.key != "*" && held.key != command.key))
            continue;
        send(client, WiThrottle::released(held.throttle, held.key));
        client.held.erase(client.held.begin() + qsizetype(i));
        released = true;
    }
    if (!released && command.key != "*")
        send(client, WiThrottle::released(command.throttle, command.key));
}

void WiThrottleServer::act(Client &client, const Command &command)
{
    if (command.action == Action::EmergencyStop) {
        emergencyStop(client);
        return;
    }
    // The addresses first: a request may run the event loop, and a status packet that comes
    // meanwhile may change what the client holds.
    QList<int> addresses;
    for (const Held &held : client.held) {
        if (held.throttle == command.throttle && (command.key == "*" || held.key == command.key) &&
            !addresses.contains(held.address))
            addresses.append(held.address);
    }
    for (const int address : std::as_const(addresses)) {
        if (client.dropped)
            return;
        const QString refusal = request(client, address, command);
        if (!refusal.isEmpty())
            sayRefusal(client, refusal);
        else
            client.lastRefusal.clear();
    }
}

QString WiThrottleServer::request(Client &client, int address, const Command &command)
{
    const int slot = m_throttle.slotOfAddress(address);
    if (slot == 0)
        return {}; // the roster change that took it away says so
    const char throttle = command.throttle;
    switch (command.action) {
    case Action::QuerySpeed:
    case Action::QueryDirection:
    case Action::SpeedStepMode: {
        // The station keeps its own speed steps: the answer tells the phone which.
        const RemoteThrottle::Slot s = m_throttle.slot(slot);
        for (const Held &held : client.held) {
            if (held.throttle != throttle || held.address != address)
                continue;
            if (command.action == Action::QuerySpeed)
                send(client,
                     WiThrottle::speed(throttle, held.key,
                                       m_throttle.speedOnScale(slot, WiThrottle::SpeedMaximum)));
            else if (command.action == Action::QueryDirection)
                send(client, WiThrottle::direction(throttle, held.key, !s.reverse));
            else
                send(client, WiThrottle::speedStepMode(
                                 throttle, held.key, WiThrottle::speedStepModeOf(s.speedMaximum)));
        }
        return {};
    }
    default:
        break;
    }

    QString refusal;
    const QString failure = failureOf([&] {
        switch (command.action) {
        case Action::Speed:
            refusal = m_throttle.setSpeedOnScale(slot, command.value, WiThrottle::SpeedMaximum);
            break;
        case Action::Direction:
            refusal = m_throttle.setToggle(slot, Toggle::Reverse, command.value == 0);
            break;
        case Action::Function:
        case Action::ForceFunction: {
            const std::optional<Toggle> toggle = toggleOfFunction(command.function);
            // A button let go means nothing to a toggle; F5 and up are not on the station.
            if (!toggle || (command.action == Action::Function && command.value == 0))
                break;
            const bool wanted = command.action == Action::Function
                                    ? !m_throttle.expected(slot, *toggle)
                                    : command.value == 1;
            refusal = m_throttle.setToggle(slot, *toggle, wanted);
            break;
        }
        default:
            break;
        }
    });
    if (!failure.isEmpty()) {
        qCWarning(lcRemote) << "request of" << client.who() << "failed:" << failure;
        return u"The station could not be reached: "_s + failure;
    }
    if (refusal.isEmpty() && command.action == Action::Speed && !client.dropped) {
        // The phone shows what it asked for: no echo unless the station reports another step.
        for (Held &held : client.held) {
            if (held.throttle == throttle && held.address == address)
                held.shownSpeed = command.value;
        }
    }
    return refusal;
}

void WiThrottleServer::emergencyStop(Client &client)
{
    QString refusal;
    const QString failure = failureOf([&] { refusal = m_throttle.emergencyStop(); });
    if (!failure.isEmpty()) {
        alert(client, u"The station could not be reached: "_s + failure);
        return;
    }
    if (!refusal.isEmpty()) {
        alert(client, refusal);
        return;
    }
    const QString text =
        u"Emergency stop from %1: every loco on the station stops."_s.arg(client.who());
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        if (!m_clients[i]->dropped)
            alert(*m_clients[i], text);
    }
}

void WiThrottleServer::heard(Client &client)
{
    client.lapsed = false;
    if (client.heartbeatOn)
        client.heartbeat->start(m_heartbeatSeconds * 1000);
}

void WiThrottleServer::heartbeatLapsed(Client &client)
{
    client.lapsed = true;
    QList<int> addresses;
    for (const Held &held : client.held)
        addresses.append(held.address);
    qCInfo(lcRemote) << client.who() << "sent no heartbeat for" << m_heartbeatSeconds << "s";
    alert(client, u"No heartbeat for %1 s: the locos you drive are brought to a stop."_s.arg(
                      m_heartbeatSeconds));
    stopUnheld(addresses, &client);
}

void WiThrottleServer::drop(Client &client, Leaving leaving, const QString &alertText)
{
    if (client.dropped)
        return;
    client.dropped = true;
    client.heartbeat->stop();
    if (QTcpSocket *socket = client.socket) {
        socket->disconnect(this);
        if (!alertText.isEmpty())
            socket->write(ended(WiThrottle::alert(alertText)));
        closeSocket(socket);
    }
    client.socket = nullptr;
    qCInfo(lcRemote) << client.who() << (leaving == Leaving::Quit ? "quit" : "is gone");
    QList<int> addresses;
    for (const Held &held : client.held)
        addresses.append(held.address);
    if (leaving == Leaving::Lost && !addresses.isEmpty()) {
        // From the event loop, never inside the handler that found the client gone.
        QMetaObject::invokeMethod(
            this,
            [this, addresses] {
                Busy busy(*this);
                stopUnheld(addresses);
            },
            Qt::QueuedConnection);
    }
    Q_EMIT clientCountChanged(clientCount());
}

bool WiThrottleServer::heldByAnotherHeard(int address, const Client *besides) const
{
    return std::any_of(m_clients.begin(), m_clients.end(), [&](const auto &c) {
        return c.get() != besides && !c->dropped && !c->lapsed && c->holds(address);
    });
}

void WiThrottleServer::stopUnheld(const QList<int> &addresses, const Client *lapsed)
{
    QList<int> done;
    for (const int address : addresses) {
        if (done.contains(address) || heldByAnotherHeard(address, lapsed))
            continue;
        done.append(address);
        const int slot = m_throttle.slotOfAddress(address);
        if (slot == 0 || m_throttle.slot(slot).speed == 0)
            continue;
        QString refusal;
        const QString failure = failureOf([&] { refusal = m_throttle.setSpeed(slot, 0); });
        if (!failure.isEmpty() || !refusal.isEmpty())
            qCWarning(lcRemote) << "loco" << address << "not stopped:" << failure << refusal;
    }
}

void WiThrottleServer::pushSlot(int slot)
{
    const int address = m_throttle.slot(slot).address;
    if (address <= 0 || m_throttle.slotOfAddress(address) != slot)
        return;
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        Client &client = *m_clients[i];
        for (std::size_t j = 0; j < client.held.size() && !client.dropped; ++j) {
            if (client.held[j].address == address)
                pushState(client, client.held[j], false);
        }
    }
}

void WiThrottleServer::pushRoster()
{
    const QByteArray roster = rosterLine();
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        Client &client = *m_clients[i];
        if (client.dropped)
            continue;
        send(client, roster);
        for (std::size_t j = client.held.size(); j-- > 0 && !client.dropped;) {
            const Held held = client.held[j];
            if (m_throttle.slotOfAddress(held.address) != 0)
                continue;
            client.held.erase(client.held.begin() + qsizetype(j));
            send(client, WiThrottle::released(held.throttle, held.key));
            alert(client, u"Loco %1 is no longer on the station's slots."_s.arg(held.address));
        }
    }
}

void WiThrottleServer::pushAvailability(bool available, const QString &refusal)
{
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        Client &client = *m_clients[i];
        if (client.dropped)
            continue;
        if (available) {
            client.lastRefusal.clear();
            send(client, WiThrottle::info(u"The desk takes remote throttles again."_s));
        } else {
            sayRefusal(client, refusal);
        }
    }
}

void WiThrottleServer::pushState(Client &client, Held &held, bool all)
{
    const int slot = m_throttle.slotOfAddress(held.address);
    if (slot == 0)
        return;
    const RemoteThrottle::Slot s = m_throttle.slot(slot);
    // The lines are made first and sent after: a client cut off by its own output is gone
    // before the next line, and what it held may go with it.
    QList<QByteArray> lines;
    for (const Toggle toggle :
         {Toggle::Headlight, Toggle::F1, Toggle::F2, Toggle::F3, Toggle::F4}) {
        std::optional<bool> &shown = held.shown[std::size_t(toggle)];
        if (all || shown != s.state(toggle)) {
            lines.append(WiThrottle::function(held.throttle, held.key, functionOfToggle(toggle),
                                              s.state(toggle)));
            shown = s.state(toggle);
        }
    }
    const int maximum = s.speedMaximum;
    if (all || held.shownSpeed < 0 ||
        scaleSpeed(held.shownSpeed, WiThrottle::SpeedMaximum, maximum) != s.speedStep()) {
        held.shownSpeed = scaleSpeed(s.speedStep(), maximum, WiThrottle::SpeedMaximum);
        lines.append(WiThrottle::speed(held.throttle, held.key, held.shownSpeed));
    }
    std::optional<bool> &reverse = held.shown[std::size_t(Toggle::Reverse)];
    if (all || reverse != s.reverse) {
        lines.append(WiThrottle::direction(held.throttle, held.key, !s.reverse));
        reverse = s.reverse;
    }
    const int mode = WiThrottle::speedStepModeOf(maximum);
    if (all || held.shownMode != mode) {
        lines.append(WiThrottle::speedStepMode(held.throttle, held.key, mode));
        held.shownMode = mode;
    }
    for (const QByteArray &line : std::as_const(lines))
        send(client, line);
}

void WiThrottleServer::send(Client &client, const QByteArray &line)
{
    if (client.dropped || !client.socket)
        return;
    client.socket->write(ended(line));
    // A client that does not read is not worth the memory its output would take.
    if (client.socket->bytesToWrite() > MaxPendingOutput)
        drop(client, Leaving::Lost);
}

void WiThrottleServer::alert(Client &client, const QString &text)
{
    send(client, WiThrottle::alert(text));
}

void WiThrottleServer::sayRefusal(Client &client, const QString &refusal)
{
    // A slider sends many lines a second: the same refusal is said once, not for each.
    if (refusal == client.lastRefusal)
        return;
    client.lastRefusal = refusal;
    alert(client, refusal);
}

QByteArray WiThrottleServer::rosterLine() const
{
    QList<WiThrottle::RosterEntry> entries;
    for (int slot = 1; slot <= RemoteThrottle::SlotCount; ++slot) {
        const int address = m_throttle.slot(slot).address;
        if (address > 0 && m_throttle.slotOfAddress(address) == slot)
            entries.append({u"Loco %1"_s.arg(address), address});
    }
    return WiThrottle::roster(entries);
}

void WiThrottleServer::purge()
{
    std::erase_if(m_clients, [](const auto &c) { return c->dropped; });
}
