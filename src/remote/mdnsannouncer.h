#pragma once

#include <QObject>
#include <QString>

class QThread;
class MdnsWorker;

// Announces the WiThrottle server as _withrottle._tcp by mDNS, so that the phone apps find it
// without an address. All Avahi work happens on a worker thread, as its client makes blocking
// D-Bus calls; the window's thread only posts requests and takes the answers. Without a running
// Avahi daemon it waits for one and says so; built without Avahi, it says that instead.
class MdnsAnnouncer final : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Off,
        Waiting, // for the daemon, or for the name to be established on the network
        Announced,
        Failed
    };
    Q_ENUM(State)

    explicit MdnsAnnouncer(QObject *parent = nullptr);
    ~MdnsAnnouncer() override;

    // A second call replaces the first. A name taken on the network gets Avahi's alternative
    // ("Name #2"); one that is no mDNS name (empty, over 63 bytes) fails at once.
    void announce(const QString &name, quint16 port);
    void withdraw();
    State state() const;
    // One sentence for the user, such as "Announced on the network as "Korvant on desk".".
    QString stateText() const;
    // False when the program was built without Avahi.
    static bool available();

Q_SIGNALS:
    // Emitted whenever state() or stateText() changes.
    void stateChanged();

private:
    friend class MdnsWorker;

    struct Status
    {
        State state = State::Off;
        bool daemonMissing = false;
        QString subject; // the announced name, or the reason for a failure
        bool operator==(const Status &) const = default;
    };

    void setStatus(const Status &status);
    void report(quint64 serial, const Status &status);
    void postWithdraw();
    void startWorker();
    void stopWorker();

    Status m_status;
    quint64 m_serial = 0;
    QThread *m_thread = nullptr;
    MdnsWorker *m_worker = nullptr;
};
