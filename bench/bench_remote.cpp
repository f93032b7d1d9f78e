// How long a change the station reports takes to reach a phone: from the status packet handed
// to the remote-throttle core, as the window's Link routing hands it, to what each front tells
// the phone on this machine: the WiThrottle speed line read from its TCP socket, and the
// browser page's state message read from its WebSocket. Nothing else runs, so the figures are
// our code's (the core, the servers, Qt's sockets and the loopback), not the station's.
#include "remote/browserthrottle.h"
#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "support/throttleclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Rounds = 500;

// Slot 1 holds loco 3 at `speed` of 31 steps; the other slots as the tests know them.
QString packetWithSpeed(int speed)
{
    return u"030405820"_s + QString::number(speed, 16).toUpper().rightJustified(1, u'0') +
           u"00400049021001001F"_s;
}

// Runs the event loop until `done` holds, woken by `wake`; false when the time ran out first.
template <typename Sender, typename Signal>
bool runUntil(const std::function<bool()> &done, const Sender *sender, Signal wake, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        QObject::connect(sender, wake, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
    }
    return true;
}

// The phone's next line, waited for on the socket itself: QTest's waits look every 10 ms, which
// would swamp the figure.
QByteArray nextLine(ThrottleClient &phone, int timeoutMs)
{
    runUntil([&] { return phone.waiting() > 0; }, &phone.socket, &QTcpSocket::readyRead, timeoutMs);
    return phone.waiting() > 0 ? phone.takeOne(0) : QByteArray();
}

// The browser page as a benchmark: logged in with the code, its socket open, and the slot-1
// step of every state message it was sent.
class BrowserPage
{
public:
    bool open(quint16 port, const QString &code)
    {
        QNetworkRequest login(QUrl(u"http://127.0.0.1:%1/login"_s.arg(port)));
        login.setHeader(QNetworkRequest::ContentTypeHeader, u"text/plain"_s);
        std::unique_ptr<QNetworkReply> reply(m_network.post(login, code.toUtf8()));
        runUntil([&] { return reply->isFinished(); }, reply.get(), &QNetworkReply::finished, 5000);
        const QByteArray cookie = reply->rawHeader("Set-Cookie").split(';').value(0);
        if (cookie.isEmpty())
            return false;
        QNetworkRequest request(QUrl(u"ws://127.0.0.1:%1/socket"_s.arg(port)));
        request.setRawHeader("Cookie", cookie);
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket,
                         [this](const QString &message) { m_steps.push_back(slot1Step(message)); });
        m_socket.open(request);
        return runUntil([&] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                        &m_socket, &QWebSocket::connected, 5000);
    }

    // Waits on the socket itself for a state with slot 1 at that step.
    bool waitForStep(int step, int timeoutMs)
    {
        return runUntil(
            [&] {
                const bool seen = std::find(m_steps.begin(), m_steps.end(), step) != m_steps.end();
                if (seen)
                    m_steps.clear();
                return seen;
            },
            &m_socket, &QWebSocket::textMessageReceived, timeoutMs);
    }

private:
    static int slot1Step(const QString &message)
    {
        const QJsonObject state = QJsonDocument::fromJson(message.toUtf8()).object();
        const QJsonArray slots = state.value(u"slots"_s).toArray();
        return slots.isEmpty() ? -1 : slots.first().toObject().value(u"step"_s).toInt(-1);
    }

    QNetworkAccessManager m_network;
    QWebSocket m_socket;
    std::vector<int> m_steps;
};

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

void report(const char *front, const std::vector<double> &ms)
{
    std::printf("status packet to %s, %d rounds: median %.3f ms, 95th %.3f ms, max %.3f ms\n",
                front, Rounds, percentile(ms, 0.5), percentile(ms, 0.95),
                *std::max_element(ms.begin(), ms.end()));
}

// Each round a packet that changes slot 1's speed (1 to 15 of 31), timed until `arrived`.
bool measure(RemoteThrottle &throttle, const std::function<bool(int speed)> &arrived,
             std::vector<double> &ms)
{
    QElapsedTimer clock;
    for (int round = 1; round <= Rounds; ++round) {
        const int speed = 1 + round % 15;
        const QString packet = packetWithSpeed(speed);
        clock.start();
        throttle.applyStatusPacket(packet);
        if (!arrived(speed)) {
            std::fprintf(stderr, "round %d: the change did not arrive\n", round);
            return false;
        }
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return true;
}

bool benchWiThrottle(RemoteThrottle &throttle)
{
    WiThrottleServer server(throttle);
    if (const QString failure = server.listen(freeTcpPort()); !failure.isEmpty()) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(failure));
        return false;
    }
    ThrottleClient phone;
    if (!phone.connectTo(server.serverPort()))
        return false;
    phone.send("NBench");
    phone.send("MT+S3<;>S3");
    phone.take(1000, 500); // the greeting and the acquisition, whatever their count

    std::vector<double> ms;
    const auto arrived = [&](int speed) {
        const QByteArray told = "<;>V" + QByteArray::number(scaleSpeed(speed, 31, 126));
        QByteArray line;
        QElapsedTimer waited;
        waited.start();
        while (!line.endsWith(told) && waited.elapsed() < 5000)
            line = nextLine(phone, 5000);
        while (!nextLine(phone, 0).isEmpty()) {
            // anything else the packet changed
        }
        return line.endsWith(told);
    };
    if (!measure(throttle, arrived, ms))
        return false;
    report("WiThrottle phone", ms);
    return true;
}

bool benchBrowser(RemoteThrottle &throttle)
{
    const QString code = u"4711"_s;
    BrowserThrottleServer server(throttle);
    server.setAccessCode(code);
    if (const QString failure = server.listen(0, QHostAddress::LocalHost); !failure.isEmpty()) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(failure));
        return false;
    }
    BrowserPage page;
    if (!page.open(server.port(), code)) {
        std::fprintf(stderr, "the page could not log in\n");
        return false;
    }
    std::vector<double> ms;
    if (!measure(
            throttle, [&](int speed) { return page.waitForStep(speed, 5000); }, ms))
        return false;
    report("browser page", ms);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RemoteThrottle throttle([](const QString &) {});
    throttle.setLinkOpen(true);
    throttle.setReportsRouted(true);
    throttle.applyStatusPacket(packetWithSpeed(0));
    return benchWiThrottle(throttle) && benchBrowser(throttle) ? 0 : 1;
}
