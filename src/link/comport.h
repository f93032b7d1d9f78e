#pragma once

#include "link/comporterror.h"
#include "link/lowlatency.h"
#include "link/portsettings.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <functional>

// The station's serial port (`ComPort2`): the line settings and their names, five time-outs,
// buffer sizes, open and close events, the three lamps and the port error table, over an
// asynchronous QSerialPort on the user-interface thread.
//
// The buffer sizes bound what the program holds: at most the input size of received bytes that
// nobody has read yet (beyond it the system keeps them, or drops them as a full converter
// does), and at most the output size of bytes queued for the system to send; a longer write is
// handed over piece by piece as the line takes it, within the write time-outs.
class TComPort final : public QObject
{
    Q_OBJECT

public:
    struct Timeouts
    {
        int readInterval = -1;
        int readTotalMultiplier = 0;
        int readTotalConstant = 0;
        int writeTotalMultiplier = 100;
        int writeTotalConstant = 1000;
    };

    struct LineSettings
    {
        QString port = QStringLiteral("COM1");
        PortSettings::BaudRate baudRate = PortSettings::BaudRate::br9600;
        PortSettings::DataBits dataBits = PortSettings::DataBits::Eight;
        PortSettings::StopBits stopBits = PortSettings::StopBits::One;
        PortSettings::Parity parity = PortSettings::Parity::None;
        PortSettings::FlowControlFields flowControl;
    };

    enum class Lamp
    {
        Connection,
        Transmit,
        Receive
    };

    explicit TComPort(QObject *parent = nullptr);
    ~TComPort() override;
    Q_DISABLE_COPY_MOVE(TComPort)

    const LineSettings &settings() const { return m_settings; }
    // Applies all line settings at once; a changed name on an open port closes and reopens it.
    void applySettings(const LineSettings &settings);
    void setPort(const QString &name);
    void setBaudRate(PortSettings::BaudRate rate);
    void setCustomBaudRate(int bitsPerSecond);
    int customBaudRate() const { return m_customBaudRate; }
    void setDataBits(PortSettings::DataBits bits);
    void setStopBits(PortSettings::StopBits bits);
    void setParity(PortSettings::Parity parity);
    void setFlowControl(PortSettings::FlowControl flow);
    PortSettings::FlowControl flowControl() const;

    const Timeouts &timeouts() const { return m_timeouts; }
    void setReadInterval(int ms);
    void setReadTotalMultiplier(int ms);
    void setReadTotalConstant(int ms);
    void setWriteTotalMultiplier(int ms);
    void setWriteTotalConstant(int ms);

    int inputBufferSize() const { return m_inputBufferSize; }
    int outputBufferSize() const { return m_outputBufferSize; }
    // Both take effect at the next open, or at once on an open port; a size below one byte fails
    // there with "SetupComm function failed".
    void setInputBufferSize(int bytes);
    void setOutputBufferSize(int bytes);

    bool connected() const;
    // Open, and its device not found gone: a failure now is worth saying. A lost device is
    // said once, by the close its loss brings.
    bool usable() const { return connected() && !m_closePending; }
    void open();
    void close();

    // Discards what is queued in either direction; fails with "PurgeComm function failed"
    // when the port is closed.
    void clearBuffers(bool input, bool output);
    // Both queues cleared if the port is open (ending an upload early). Never fails: a port
    // that cannot be purged any more has lost its device, and so what it held.
    void discardUploadLeftovers() noexcept;
    // Only what still waits in our own queue (a user's Cancel): what the system took is sent on,
    // and received bytes stay to be read.
    void discardUnsentOutput() noexcept;
    // Writes and waits until the bytes are out or the write time-out ends (not an error).
    qint64 write(QByteArrayView bytes);
    // Reads up to n bytes, giving up after the read time-outs.
    QByteArray read(int n);
    // Bytes received and not yet read.
    int inputCount() const;
    // Bytes queued for the system to send and not yet taken by it.
    int outputCount() const;

    // While a sink is attached (the packet framer), every received chunk goes to it and no
    // received-character event is raised.
    using DataSink = std::function<void(QByteArrayView)>;
    void setDataSink(DataSink sink);
    bool hasDataSink() const { return bool(m_sink); }

    bool lampLit(Lamp lamp) const;

    // Transfers driven by the event loop, for uploads that must keep the window responsive.
    // startWrite ends with writeFinished once the bytes are out or the write time-out ended;
    // startRead with readFinished once n bytes came or the read time-outs ended. While a read
    // runs, or while the port is held, received bytes stay for it: no sink, no event.
    void startWrite(const QByteArray &bytes);
    void startRead(int n);
    void abortTransfers() noexcept;
    void setHeld(bool held);

Q_SIGNALS:
    void afterOpen();
    void afterClose();
    // The received-character event: bytes are waiting and nobody took them yet.
    void rxChar(int count);
    void lampChanged(TComPort::Lamp lamp, bool lit);
    // The device went away while open (converter unplugged); the port is closed already.
    void deviceLost(const QString &message);
    void writeFinished();
    void readFinished(const QByteArray &bytes);
    // An upload took the port (held) or let it go.
    void heldChanged(bool held);

private:
    // Purges the given directions if the port is open; false when it is not.
    bool purge(QSerialPort::Directions directions) noexcept;
    void applyBufferSizes();
    void applyLineSettings();
    // Queues as much of bytes as the output buffer has room for; gives how much.
    qsizetype queueForWriting(QByteArrayView bytes);
    void queueUnsent();
    // Waits until the system takes more output, then hands it the next piece.
    void pushQueuedOutput(const QDeadlineTimer &deadline);
    void holdModemLinesInactive();
    void onReadyRead();
    void onBytesWritten();
    void finishWrite();
    void finishRead();
    void takeForRead();
    void onError(QSerialPort::SerialPortError error);
    void setLamp(Lamp lamp, bool lit);
    void requireOpen(EComPort::Code code) const;
    int totalTimeout(int multiplier, int constant, qsizetype n) const;

    QSerialPort m_serial;
    LineSettings m_settings;
    int m_customBaudRate = 9600;
    Timeouts m_timeouts;
    int m_inputBufferSize = 1024;
    int m_outputBufferSize = 1024;
    DataSink m_sink;
    bool m_inBlockingCall = false;
    bool m_closePending = false;
    LowLatency m_lowLatency; // asked of the driver while open, given back on closing
    bool m_held = false;
    bool m_writing = false;
    bool m_reading = false;
    int m_readWanted = 0;
    QByteArray m_readSoFar;
    // What startWrite has not queued yet: the output buffer was full.
    QByteArray m_unqueued;
    QTimer *m_writeTimer = nullptr;
    QTimer *m_readTimer = nullptr;
    QTimer *m_intervalTimer = nullptr;
    bool m_lamps[3] = {false, false, false};
};
