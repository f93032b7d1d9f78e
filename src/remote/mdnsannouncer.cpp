#include "remote/mdnsannouncer.h"

#include <QThread>

using namespace Qt::Literals::StringLiterals;

MdnsAnnouncer::State MdnsAnnouncer::state() const
{
    return m_status.state;
}

void MdnsAnnouncer::setStatus(const Status &status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT stateChanged();
}

QString MdnsAnnouncer::stateText() const
{
    if (!available())
        return u"Not announced: this program was built without mDNS support; phones connect by "
               u"address."_s;
    switch (m_status.state) {
    case State::Off:
        return u"Not announced on the network."_s;
    case State::Waiting:
        if (m_status.daemonMissing)
            return u"Not announced: no mDNS service (Avahi) is running on this computer; phones "
                   u"connect by address."_s;
        return u"Announcing on the network as \"%1\"..."_s.arg(m_status.subject);
    case State::Announced:
        return u"Announced on the network as \"%1\"."_s.arg(m_status.subject);
    case State::Failed:
        return u"Not announced: %1; phones connect by address."_s.arg(m_status.subject);
    }
    return {};
}

#ifndef KORVANT_HAVE_AVAHI

MdnsAnnouncer::MdnsAnnouncer(QObject *parent) : QObject(parent) {}
MdnsAnnouncer::~MdnsAnnouncer() = default;
void MdnsAnnouncer::announce(const QString &, quint16) {}
void MdnsAnnouncer::withdraw() {}
bool MdnsAnnouncer::available()
{
    return false;
}

#else

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/domain.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/timeval.h>
#include <avahi-common/watch.h>
#include <climits>
#include <memory>
#include <vector>

// Avahi's poll abstraction on top of the Qt event loop of the worker thread, so that D-Bus
// traffic is driven by QThread's event loop.
class QtAvahiPoll
{
public:
    explicit QtAvahiPoll(QObject *context);
    const AvahiPoll *api() const { return &m_api; }
    void retire(QObject *object);

private:
    QObject *const m_context;
    const AvahiPoll m_api;
    std::vector<std::unique_ptr<QObject>> m_retired;
    bool m_purgeQueued = false;
};

struct AvahiWatch
{
    QtAvahiPoll *poll;
    int fd;
    AvahiWatchCallback callback;
    void *userdata;
    AvahiWatchEvent happened = AvahiWatchEvent(0);
    QSocketNotifier *reader = nullptr;
    QSocketNotifier *writer = nullptr;
};

struct AvahiTimeout
{
    QtAvahiPoll *poll;
    QTimer *timer;
    AvahiTimeoutCallback callback;
    void *userdata;
};

namespace {

constexpr char ServiceType[] = "_withrottle._tcp";
constexpr int RetryMs = 2000;
constexpr int MaxRenames = 100;
// Every interface and both IP versions, as Avahi's -1 means.
constexpr AvahiIfIndex AnyInterface = -1;
constexpr AvahiProtocol AnyProtocol = -1;

QtAvahiPoll *pollOf(const AvahiPoll *api)
{
    return static_cast<QtAvahiPoll *>(api->userdata);
}

void dispatch(AvahiWatch *watch, AvahiWatchEvent event)
{
    watch->happened = event;
    // The callback may free the watch; nothing may touch it afterwards.
    watch->callback(watch, watch->fd, event, watch->userdata);
}

// Notifiers are made only when wanted, as Qt objects to two notifiers of one type on one fd.
void want(AvahiWatch *watch, QSocketNotifier *&notifier, QSocketNotifier::Type type, bool wanted)
{
    if (wanted && !notifier) {
        notifier = new QSocketNotifier(watch->fd, type);
        const auto event = type == QSocketNotifier::Read ? AVAHI_WATCH_IN : AVAHI_WATCH_OUT;
        QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                         [watch, event] { dispatch(watch, event); });
    }
    if (notifier)
        notifier->setEnabled(wanted);
}

void updateWatch(AvahiWatch *watch, AvahiWatchEvent events)
{
    want(watch, watch->reader, QSocketNotifier::Read, events & AVAHI_WATCH_IN);
    want(watch, watch->writer, QSocketNotifier::Write, events & AVAHI_WATCH_OUT);
}

AvahiWatch *newWatch(const AvahiPoll *api, int fd, AvahiWatchEvent events,
                     AvahiWatchCallback callback, void *userdata)
{
    auto *watch = new AvahiWatch{pollOf(api), fd, callback, userdata};
    updateWatch(watch, events);
    return watch;
}

AvahiWatchEvent watchEvents(AvahiWatch *watch)
{
    return watch->happened;
}

void freeWatch(AvahiWatch *watch)
{
    updateWatch(watch, AvahiWatchEvent(0));
    watch->poll->retire(watch->reader);
    watch->poll->retire(watch->writer);
    delete watch;
}

int msecsUntil(const struct timeval *tv)
{
    const AvahiUsec ahead = -avahi_age(tv);
    return ahead <= 0 ? 0 : int(std::min<AvahiUsec>((ahead + 999) / 1000, INT_MAX));
}

void updateTimeout(AvahiTimeout *timeout, const struct timeval *tv)
{
    if (tv)
        timeout->timer->start(msecsUntil(tv));
    else
        timeout->timer->stop();
}

AvahiTimeout *newTimeout(const AvahiPoll *api, const struct timeval *tv,
                         AvahiTimeoutCallback callback, void *userdata)
{
    auto *timeout = new AvahiTimeout{pollOf(api), new QTimer, callback, userdata};
    timeout->timer->setSingleShot(true);
    QObject::connect(timeout->timer, &QTimer::timeout, timeout->timer,
                     [timeout] { timeout->callback(timeout, timeout->userdata); });
    updateTimeout(timeout, tv);
    return timeout;
}

void freeTimeout(AvahiTimeout *timeout)
{
    timeout->timer->stop();
    timeout->poll->retire(timeout->timer);
    delete timeout;
}

} // namespace

QtAvahiPoll::QtAvahiPoll(QObject *context)
    : m_context(context), m_api{this,      newWatch,   updateWatch,   watchEvents,
                                freeWatch, newTimeout, updateTimeout, freeTimeout}
{}

// Avahi frees watches and timeouts from inside their own callbacks, so their Qt objects are kept
// until control is back in the event loop. Not deleteLater(): the last ones are freed as the
// thread ends, when deferred deletes are no longer run, and would leak.
void QtAvahiPoll::retire(QObject *object)
{
    if (!object)
        return;
    m_retired.emplace_back(object);
    if (m_purgeQueued)
        return;
    m_purgeQueued = true;
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            m_retired.clear();
            m_purgeQueued = false;
        },
        Qt::QueuedConnection);
}

namespace {

QString avahiReason(int error)
{
    return u"the mDNS service (Avahi) reported \"%1\""_s.arg(
        QString::fromUtf8(avahi_strerror(error)));
}

} // namespace

// Lives on its own thread because avahi-client makes blocking D-Bus calls, which may take up to
// D-Bus's 25 s reply timeout when the daemon is stuck.
class MdnsWorker final : public QObject
{
public:
    explicit MdnsWorker(MdnsAnnouncer *owner) : m_owner(owner)
    {
        m_retry.setSingleShot(true);
        m_retry.setInterval(RetryMs);
        connect(&m_retry, &QTimer::timeout, this, &MdnsWorker::connectClient);
    }
    ~MdnsWorker() override { closeClient(); }

    void announce(quint64 serial, const QString &name, quint16 port);
    void withdraw(quint64 serial);

private:
    static void onClientState(AvahiClient *client, AvahiClientState state, void *self);
    static void onGroupState(AvahiEntryGroup *group, AvahiEntryGroupState state, void *self);
    void connectClient();
    void closeClient();
    void unavailable(int error);
    void clientStateChanged(AvahiClientState state);
    void clientFailed();
    void groupStateChanged(AvahiEntryGroupState state);
    void dropGroup();
    void publish();
    int addService();
    void rename();
    void report(MdnsAnnouncer::State state, bool daemonMissing, const QString &subject);
    void reportName(MdnsAnnouncer::State state);
    void fail(int error) { report(MdnsAnnouncer::State::Failed, false, avahiReason(error)); }

    MdnsAnnouncer *const m_owner;
    QtAvahiPoll m_poll{this};
    QTimer m_retry{this};
    AvahiClient *m_client = nullptr;
    AvahiEntryGroup *m_group = nullptr;
    quint64 m_serial = 0;
    quint64 m_clientGeneration = 0;
    QByteArray m_name;
    quint16 m_port = 0;
};

void MdnsWorker::announce(quint64 serial, const QString &name, quint16 port)
{
    m_serial = serial;
    m_name = name.toUtf8();
    m_port = port;
    if (m_client)
        clientStateChanged(avahi_client_get_state(m_client));
    else
        connectClient();
}

void MdnsWorker::withdraw(quint64 serial)
{
    m_serial = serial;
    closeClient();
}

void MdnsWorker::connectClient()
{
    int error = 0;
    ++m_clientGeneration;
    // NO_FAIL makes a daemon that starts later appear as a state change; only a missing bus
    // still fails here, which the retry timer covers.
    AvahiClient *client = avahi_client_new(m_poll.api(), AVAHI_CLIENT_NO_FAIL,
                                           &MdnsWorker::onClientState, this, &error);
    if (!client) {
        unavailable(error);
        return;
    }
    m_client = client;
    clientStateChanged(avahi_client_get_state(client));
}

void MdnsWorker::closeClient()
{
    m_retry.stop();
    dropGroup();
    if (m_client)
        avahi_client_free(m_client);
    m_client = nullptr;
    ++m_clientGeneration;
}

void MdnsWorker::unavailable(int error)
{
    if (error != AVAHI_ERR_NO_DAEMON && error != AVAHI_ERR_DISCONNECTED) {
        fail(error);
        return;
    }
    report(MdnsAnnouncer::State::Waiting, true, {});
    m_retry.start();
}

void MdnsWorker::onClientState(AvahiClient *client, AvahiClientState state, void *self)
{
    auto *worker = static_cast<MdnsWorker *>(self);
    // Calls made from inside avahi_client_new() are ignored: the client may still be torn down
    // there, and connectClient() looks at the state once it has the client.
    if (client == worker->m_client)
        worker->clientStateChanged(state);
}

void MdnsWorker::clientStateChanged(AvahiClientState state)
{
    switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
        publish();
        return;
    case AVAHI_CLIENT_FAILURE:
        dropGroup();
        clientFailed();
        return;
    case AVAHI_CLIENT_CONNECTING:
        dropGroup();
        report(MdnsAnnouncer::State::Waiting, true, {});
        return;
    case AVAHI_CLIENT_S_REGISTERING:
    case AVAHI_CLIENT_S_COLLISION:
        // The daemon is (re)establishing its host name and republishes nothing of ours.
        dropGroup();
        reportName(MdnsAnnouncer::State::Waiting);
        return;
    }
}

void MdnsWorker::clientFailed()
{
    const int error = avahi_client_errno(m_client);
    // Deferred, because freeing a client from inside its own callback is a use after free.
    QMetaObject::invokeMethod(
        this,
        [this, error, generation = m_clientGeneration] {
            if (generation != m_clientGeneration)
                return;
            closeClient();
            unavailable(error);
        },
        Qt::QueuedConnection);
}

void MdnsWorker::onGroupState(AvahiEntryGroup *group, AvahiEntryGroupState state, void *self)
{
    auto *worker = static_cast<MdnsWorker *>(self);
    // avahi_entry_group_new() calls back before it returns the group; publish() handles that.
    if (group == worker->m_group)
        worker->groupStateChanged(state);
}

void MdnsWorker::groupStateChanged(AvahiEntryGroupState state)
{
    switch (state) {
    case AVAHI_ENTRY_GROUP_ESTABLISHED:
        reportName(MdnsAnnouncer::State::Announced);
        return;
    case AVAHI_ENTRY_GROUP_COLLISION:
        rename();
        publish();
        return;
    case AVAHI_ENTRY_GROUP_FAILURE:
        fail(avahi_client_errno(m_client));
        return;
    case AVAHI_ENTRY_GROUP_UNCOMMITED:
    case AVAHI_ENTRY_GROUP_REGISTERING:
        return;
    }
}

void MdnsWorker::dropGroup()
{
    if (m_group)
        avahi_entry_group_free(m_group);
    m_group = nullptr;
}

void MdnsWorker::publish()
{
    if (!m_group)
        m_group = avahi_entry_group_new(m_client, &MdnsWorker::onGroupState, this);
    if (!m_group) {
        fail(avahi_client_errno(m_client));
        return;
    }
    // Reset so that a second announce() replaces the first name and port.
    avahi_entry_group_reset(m_group);
    int error = addService();
    if (error >= 0)
        error = avahi_entry_group_commit(m_group);
    if (error < 0) {
        fail(error);
        return;
    }
    reportName(MdnsAnnouncer::State::Waiting);
}

int MdnsWorker::addService()
{
    // A name already registered on this computer is refused at once rather than reported as a
    // group collision.
    for (int attempt = 0; attempt < MaxRenames; ++attempt) {
        const int error = avahi_entry_group_add_service(
            m_group, AnyInterface, AnyProtocol, AvahiPublishFlags(0), m_name.constData(),
            ServiceType, nullptr, nullptr, m_port, static_cast<const char *>(nullptr));
        if (error != AVAHI_ERR_COLLISION)
            return error;
        rename();
    }
    return AVAHI_ERR_COLLISION;
}

void MdnsWorker::rename()
{
    char *next = avahi_alternative_service_name(m_name.constData());
    m_name = next;
    avahi_free(next);
}

void MdnsWorker::reportName(MdnsAnnouncer::State state)
{
    report(state, false, QString::fromUtf8(m_name));
}

void MdnsWorker::report(MdnsAnnouncer::State state, bool daemonMissing, const QString &subject)
{
    // The owner outlives this worker (its destructor joins the thread), and Qt drops calls
    // still queued for it once it is gone.
    QMetaObject::invokeMethod(
        m_owner,
        [owner = m_owner, serial = m_serial,
         status = MdnsAnnouncer::Status{state, daemonMissing, subject}] {
            owner->report(serial, status);
        },
        Qt::QueuedConnection);
}

MdnsAnnouncer::MdnsAnnouncer(QObject *parent) : QObject(parent) {}

MdnsAnnouncer::~MdnsAnnouncer()
{
    stopWorker();
}

bool MdnsAnnouncer::available()
{
    return true;
}

void MdnsAnnouncer::announce(const QString &name, quint16 port)
{
    if (!avahi_is_valid_service_name(name.toUtf8().constData())) {
        postWithdraw();
        setStatus(
            {State::Failed, false,
             u"\"%1\" is not usable as a network name (it must be 1 to 63 bytes)"_s.arg(name)});
        return;
    }
    startWorker();
    const quint64 serial = ++m_serial;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, serial, name, port] { worker->announce(serial, name, port); },
        Qt::QueuedConnection);
    setStatus({State::Waiting, false, name});
}

void MdnsAnnouncer::withdraw()
{
    postWithdraw();
    setStatus({});
}

void MdnsAnnouncer::postWithdraw()
{
    const quint64 serial = ++m_serial;
    if (m_worker)
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, serial] { worker->withdraw(serial); },
            Qt::QueuedConnection);
}

void MdnsAnnouncer::report(quint64 serial, const Status &status)
{
    // Reports about a request that was since replaced or withdrawn are stale.
    if (serial == m_serial)
        setStatus(status);
}

void MdnsAnnouncer::startWorker()
{
    if (m_worker)
        return;
    m_thread = new QThread(this);
    m_worker = new MdnsWorker(this);
    m_worker->moveToThread(m_thread);
    // Qt's worker pattern: deleted on its own thread as the thread ends, withdrawing the service.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

void MdnsAnnouncer::stopWorker()
{
    if (!m_thread)
        return;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_worker = nullptr;
}

#endif
