#pragma once

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A web server that answers every request with bytes written by hand, for the answers no real
// server gives: another HTTP version, broken framing, headers without end. It runs in the test's
// own event loop, over plain HTTP on 127.0.0.1, and closes each connection after its answer.
class RawHttpServer final : public QObject
{
public:
    explicit RawHttpServer(QByteArray answer) : m_answer(std::move(answer))
    {
        m_listening = m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_listening; }
    // http://127.0.0.1:PORT/Korvant, without a final "/", as a version record holds it.
    QUrl baseUrl() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:") + QString::number(m_server.serverPort()) +
                    QStringLiteral("/Korvant"));
    }
    // What the clients sent, one entry per connection.
    QList<QByteArray> requests() const { return m_requests; }

private:
    void serve(QTcpSocket *socket)
    {
        const qsizetype index = m_requests.size();
        m_requests.append(QByteArray());
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, index] {
            m_requests[index] += socket->readAll();
            if (!m_requests[index].contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            socket->write(m_answer);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QByteArray m_answer;
    QList<QByteArray> m_requests;
    bool m_listening = false;
};
