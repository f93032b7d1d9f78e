#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The station's end of the line: the master side of a pseudo-terminal in raw mode. The program
// opens the slave path as its serial port. One slave descriptor stays open here so that the
// program closing its port is not a hang-up for us.
class PseudoTerminal final : public QObject
{
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;
    Q_DISABLE_COPY_MOVE(PseudoTerminal)

    bool open(QString *error);
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Bytes the program has written that are waiting to be read.
    qsizetype bytesWaiting() const;
    // Non-blocking: what is there, up to maxBytes; empty when nothing is waiting.
    QByteArray read(qsizetype maxBytes);
    // Non-blocking: the number of bytes taken, 0 when the line is full, -1 on failure.
    qsizetype write(QByteArrayView bytes);

    void setReadEnabled(bool on);
    // Asks for one readyWrite once the line takes bytes again.
    void watchWritable();
    // Closes both sides: the program sees the device go away.
    void hangUp();

Q_SIGNALS:
    void readyRead();
    void readyWrite();
    void failed();

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1;
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};
