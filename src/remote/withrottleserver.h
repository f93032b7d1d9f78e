#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
class RemoteThrottle;
namespace WiThrottle {
struct Command;
}

// The WiThrottle server that phone throttle apps connect to over TCP. Every request goes
// through the one RemoteThrottle, so it becomes the Link page's own instruction, and every
// change a status packet reports is pushed to each client that holds that loco, whoever made
// it. Clients are hostile until shown otherwise: at most MaxClients at once, a line over
// WiThrottle::MaxLineLength closes its client, and a client that does not read what it is
// sent is closed before its output grows past MaxPendingOutput.
//
// The station's only emergency stop is ":E000", all four locos: a phone's emergency stop is
// that stop, and every client is told. A client that is lost (its connection ends without
// "Q", or it switched the heartbeat on and then stayed silent past it) has its moving locos
// brought to speed 0 one by one with ":S", unless another client that is still heard holds
// them; nobody else's loco stops for one phone's lost signal.
class WiThrottleServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WiThrottleServer)

public:
    static constexpr int MaxClients = 8;
    static constexpr int MaxThrottlesPerClient = 16;
    static constexpr int DefaultHeartbeatSeconds = 10;
    static constexpr qint64 MaxPendingOutput = 64 * 1024;

    explicit WiThrottleServer(RemoteThrottle &throttle, QObject *parent = nullptr);
    ~WiThrottleServer() override;

    // Listens on every address of this computer; port 0 takes a free one. Gives the reason
    // when it cannot, else an empty text.
    QString listen(quint16 port);
    // Stops listening and closes every client, which counts as a lost connection.
    void close();
    bool isListening() const;
    quint16 serverPort() const;
    int clientCount() const;
    // How many clients hold that DCC address on a throttle.
    int holderCount(int address) const;
    // The longest a client that sent "*+" may stay silent; said to each client as it comes.
    void setHeartbeatSeconds(int seconds);

    // The addresses phones can reach this computer at (IPv4, loopback left out).
    static QStringList hostAddresses();

Q_SIGNALS:
    void clientCountChanged(int count);

private:
    struct Held;
    struct Client;
    enum class Leaving
    {
        Quit, // the client said goodbye: its locos run on as it left them
        Lost  // its locos stop, unless someone still heard holds them
    };
    class Busy;

    void acceptClients();
    void readClient(Client &client);
    void handleLine(Client &client, const WiThrottle::Command &command);
    void acquire(Client &client, const WiThrottle::Command &command);
    void release(Client &client, const WiThrottle::Command &command);
    void act(Client &client, const WiThrottle::Command &command);
    void emergencyStop(Client &client);
    QString request(Client &client, int address, const WiThrottle::Command &command);
    void heard(Client &client);
    void heartbeatLapsed(Client &client);
    void drop(Client &client, Leaving leaving, const QString &alert = {});
    void stopUnheld(const QList<int> &addresses, const Client *lapsed = nullptr);
    bool heldByAnotherHeard(int address, const Client *besides) const;

    void pushSlot(int slot);
    void pushRoster();
    void pushAvailability(bool available, const QString &refusal);
    void pushState(Client &client, Held &held, bool all);

    void send(Client &client, const QByteArray &line);
    void alert(Client &client, const QString &text);
    void sayRefusal(Client &client, const QString &refusal);
    QByteArray rosterLine() const;
    void purge();

    RemoteThrottle &m_throttle;
    QTcpServer *m_server = nullptr;
    std::vector<std::unique_ptr<Client>> m_clients;
    int m_heartbeatSeconds = DefaultHeartbeatSeconds;
    int m_depth = 0; // handlers running: clients are removed only when none is
};
