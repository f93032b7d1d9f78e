// How long a change the station reports takes to reach a phone: from the status packet handed
// to the remote-throttle core, as the window's Link routing hands it, to the phone's speed line
// read from its TCP socket on this machine. Nothing else runs, so the figure is our code's
// (the core, the WiThrottle server, Qt's sockets and the loopback), not the station's.
#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "support/throttleclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
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

// The phone's next line, waited for on the socket itself: QTest's waits look every 10 ms, which
// would swamp the figure.
QByteArray nextLine(ThrottleClient &phone, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (phone.waiting() == 0 && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        QObject::connect(&phone.socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        loop.exec();
    }
    return phone.waiting() > 0 ? phone.takeOne(0) : QByteArray();
}

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RemoteThrottle throttle([](const QString &) {});
    throttle.setLinkOpen(true);
    throttle.setReportsRouted(true);
    throttle.applyStatusPacket(packetWithSpeed(0));
    WiThrottleServer server(throttle);
    if (const QString failure = server.listen(freeTcpPort()); !failure.isEmpty()) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(failure));
        return 1;
    }
    ThrottleClient phone;
    if (!phone.connectTo(server.serverPort()))
        return 1;
    phone.send("NBench");
    phone.send("MT+S3<;>S3");
    phone.take(1000, 500); // the greeting and the acquisition, whatever their count

    std::vector<double> ms;
    QElapsedTimer clock;
    for (int round = 1; round <= Rounds; ++round) {
        // Speeds 1 to 15 on 31 steps: each packet changes what the phone was last told.
        const int speed = 1 + round % 15;
        const QByteArray told = "<;>V" + QByteArray::number(scaleSpeed(speed, 31, 126));
        const QString packet = packetWithSpeed(speed);
        clock.start();
        throttle.applyStatusPacket(packet);
        QByteArray line;
        while (!line.endsWith(told) && clock.elapsed() < 5000)
            line = nextLine(phone, 5000);
        if (!line.endsWith(told)) {
            std::fprintf(stderr, "round %d: no speed line\n", round);
            return 1;
        }
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        while (!nextLine(phone, 0).isEmpty()) {
            // anything else the packet changed
        }
    }
    std::printf("status packet to phone, %d rounds: median %.3f ms, 95th %.3f ms, max %.3f ms\n",
                Rounds, percentile(ms, 0.5), percentile(ms, 0.95),
                *std::max_element(ms.begin(), ms.end()));
    return 0;
}
