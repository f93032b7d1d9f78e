#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// A phone's throttle app as the server sees it: a TCP client that writes lines and collects
// the lines it is sent. Every wait runs the event loop (the server lives in the same thread)
// and is bounded.
class ThrottleClient final
{
public:
    ThrottleClient()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            m_partial.append(socket.readAll());
            qsizetype end = 0;
            while ((end = m_partial.indexOf('\n')) >= 0) {
                QByteArray line = m_partial.left(end);
                if (line.endsWith('\r'))
                    line.chop(1);
                m_lines.append(line);
                m_partial.remove(0, end + 1);
            }
        });
    }
    Q_DISABLE_COPY_MOVE(ThrottleClient)

    bool connectTo(quint16 port, int timeoutMs = 5000)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; },
                               timeoutMs);
    }

    void send(const QByteArray &line) { socket.write(line + '\n'); }

    // The next `count` lines, once they have come; fewer when the time is up.
    QList<QByteArray> take(qsizetype count, int timeoutMs = 5000)
    {
        static_cast<void>(QTest::qWaitFor([&] { return m_lines.size() >= count; }, timeoutMs));
        const QList<QByteArray> taken = m_lines.first(std::min(count, m_lines.size()));
        m_lines.remove(0, taken.size());
        return taken;
    }
    QByteArray takeOne(int timeoutMs = 5000)
    {
        const QList<QByteArray> one = take(1, timeoutMs);
        return one.isEmpty() ? QByteArray() : one.first();
    }
    qsizetype waiting() const { return m_lines.size(); }

    bool waitForClosed(int timeoutMs = 5000)
    {
        return QTest::qWaitFor(
            [this] { return socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
    }

    QTcpSocket socket;

private:
    QByteArray m_partial;
    QList<QByteArray> m_lines;
};

// A TCP port nobody listens on just now.
inline quint16 freeTcpPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, 0))
        return 0;
    return probe.serverPort();
}
