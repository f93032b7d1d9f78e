#include "support/serialclient.h"

#include <QDeadlineTimer>

bool SerialClient::open(const QString &path)
{
    m_port.setPortName(path);
    m_port.setBaudRate(QSerialPort::Baud57600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    return m_port.open(QIODevice::ReadWrite);
}

bool SerialClient::write(const QByteArray &bytes)
{
    if (m_port.write(bytes) != bytes.size())
        return false;
    QDeadlineTimer deadline(5000);
    while (m_port.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_port.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    return true;
}

QByteArray SerialClient::readUntil(const std::function<bool(const QByteArray &)> &done,
                                   int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QByteArray got;
    for (;;) {
        got += m_port.readAll();
        if (done(got) || deadline.hasExpired())
            return got;
        m_port.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

QByteArray SerialClient::readAtLeast(qsizetype count, int timeoutMs)
{
    return readUntil([count](const QByteArray &got) { return got.size() >= count; }, timeoutMs);
}

QByteArray SerialClient::readUntilCount(char byte, qsizetype count, int timeoutMs)
{
    return readUntil([byte, count](const QByteArray &got) { return got.count(byte) >= count; },
                     timeoutMs);
}

QByteArray SerialClient::drain(int quietMs)
{
    return readUntil([](const QByteArray &) { return false; }, quietMs);
}
