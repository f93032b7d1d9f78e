#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <functional>

// The program's side of a simulator's line, opened with QSerialPort as the program opens its
// port (57600 baud, 8N1, no flow control). Reads wait for data with a bound.
class SerialClient final
{
public:
    SerialClient() = default;
    Q_DISABLE_COPY_MOVE(SerialClient)

    bool open(const QString &path);
    bool write(const QByteArray &bytes);

    // Reads until done(everything read so far) holds or the time is up; returns what was read.
    QByteArray readUntil(const std::function<bool(const QByteArray &)> &done, int timeoutMs = 5000);
    QByteArray readAtLeast(qsizetype count, int timeoutMs = 5000);
    // Until `count` occurrences of `byte` have arrived.
    QByteArray readUntilCount(char byte, qsizetype count, int timeoutMs = 5000);
    // Whatever arrives within quietMs; for checks that something is not sent.
    QByteArray drain(int quietMs);

    QSerialPort &port() { return m_port; }

private:
    QSerialPort m_port;
};
