#include "link/comport.h"

#include "link/portnames.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QScopedValueRollback>
#include <algorithm>
#include <cerrno>
#include <poll.h>

using namespace Qt::Literals::StringLiterals;
using namespace PortSettings;

Q_LOGGING_CATEGORY(lcPort, "korvant.port", QtInfoMsg)

namespace {

// A wait the time-outs leave unbounded still ends: nothing in the program waits forever.
constexpr int unboundedWaitCapMs = 30000;

int systemCodeOf(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ENOENT;
    case QSerialPort::PermissionError:
        return EACCES;
    case QSerialPort::OpenError:
        return EBUSY;
    case QSerialPort::ResourceError:
        return EIO;
    case QSerialPort::NotOpenError:
        return EBADF;
    case QSerialPort::UnsupportedOperationError:
        return EINVAL;
    default:
        return -1;
    }
}

QSerialPort::DataBits toQt(DataBits bits)
{
    return static_cast<QSerialPort::DataBits>(5 + static_cast<int>(bits));
}

QSerialPort::StopBits toQt(StopBits bits)
{
    switch (bits) {
    case StopBits::OnePointFive:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::Parity toQt(Parity parity)
{
    switch (parity) {
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl toQt(const FlowControlFields &fields)
{
    if (fields.ctsOutputFlow)
        return QSerialPort::HardwareControl;
    if (fields.xonXoffIn || fields.xonXoffOut)
        return QSerialPort::SoftwareControl;
    return QSerialPort::NoFlowControl;
}

} // namespace

TComPort::TComPort(QObject *parent)
    : QObject(parent), m_writeTimer(new QTimer(this)), m_readTimer(new QTimer(this)),
      m_intervalTimer(new QTimer(this))
{
    for (QTimer *timer : {m_writeTimer, m_readTimer, m_intervalTimer})
        timer->setSingleShot(true);
    connect(&m_serial, &QSerialPort::readyRead, this, &TComPort::onReadyRead);
    connect(&m_serial, &QSerialPort::bytesWritten, this, &TComPort::onBytesWritten);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &TComPort::onError);
    connect(m_writeTimer, &QTimer::timeout, this, [this] {
        // A write that ran out of time sends no more of its bytes, as the driver would.
        m_unqueued.clear();
        m_serial.clear(QSerialPort::Output);
        finishWrite();
    });
    connect(m_readTimer, &QTimer::timeout, this, &TComPort::finishRead);
    connect(m_intervalTimer, &QTimer::timeout, this, &TComPort::finishRead);
}

TComPort::~TComPort()
{
    // Destruction closes quietly: the window is going away and nobody listens to events.
    blockSignals(true);
    m_serial.close();
}

bool TComPort::connected() const
{
    return m_serial.isOpen();
}

void TComPort::requireOpen(EComPort::Code code) const
{
    if (!connected())
        throw EComPort(code, EBADF);
}

int TComPort::totalTimeout(int multiplier, int constant, qsizetype n) const
{
    const qint64 total = qint64(multiplier) * n + constant;
    if (total <= 0)
        return 0;
    return int(std::min<qint64>(total, unboundedWaitCapMs));
}

void TComPort::applySettings(const LineSettings &settings)
{
    const bool reopen = connected() && settings.port != m_settings.port;
    m_settings = settings;
    if (reopen) {
        close();
        open();
    } else {
        applyLineSettings();
    }
}

void TComPort::setPort(const QString &name)
{
    LineSettings s = m_settings;
    s.port = name;
    applySettings(s);
}

void TComPort::setBaudRate(BaudRate rate)
{
    m_settings.baudRate = rate;
    applyLineSettings();
}

void TComPort::setCustomBaudRate(int bitsPerSecond)
{
    m_customBaudRate = bitsPerSecond;
    applyLineSettings();
}

void TComPort::setDataBits(DataBits bits)
{
    m_settings.dataBits = bits;
    applyLineSettings();
}

void TComPort::setStopBits(StopBits bits)
{
    m_settings.stopBits = bits;
    applyLineSettings();
}

void TComPort::setParity(Parity parity)
{
    m_settings.parity = parity;
    applyLineSettings();
}

void TComPort::setFlowControl(FlowControl flow)
{
    m_settings.flowControl = withFlowControl(m_settings.flowControl, flow);
    applyLineSettings();
}

FlowControl TComPort::flowControl() const
{
    return deriveFlowControl(m_settings.flowControl);
}

void TComPort::setReadInterval(int ms)
{
    m_timeouts.readInterval = ms;
}

void TComPort::setReadTotalMultiplier(int ms)
{
    m_timeouts.readTotalMultiplier = ms;
}

void TComPort::setReadTotalConstant(int ms)
{
    m_timeouts.readTotalConstant = ms;
}

void TComPort::setWriteTotalMultiplier(int ms)
{
    m_timeouts.writeTotalMultiplier = ms;
}

void TComPort::setWriteTotalConstant(int ms)
{
    m_timeouts.writeTotalConstant = ms;
}

void TComPort::setInputBufferSize(int bytes)
{
    m_inputBufferSize = bytes;
    if (connected())
        applyBufferSizes();
}

void TComPort::setOutputBufferSize(int bytes)
{
    m_outputBufferSize = bytes;
    if (connected())
        applyBufferSizes();
}

void TComPort::applyBufferSizes()
{
    // A queue with no room could never pass a byte, and the system's own size of zero would
    // bound nothing: neither is a size the port takes.
    if (m_inputBufferSize < 1 || m_outputBufferSize < 1)
        throw EComPort(EComPort::SetupFailed, EINVAL);
    // Beyond this the port stops taking received bytes from the system until they are read.
    m_serial.setReadBufferSize(m_inputBufferSize);
    // The output size bounds every write as it queues (queueForWriting).
}

void TComPort::applyLineSettings()
{
    if (!connected())
        return;
    const int rate = m_settings.baudRate == BaudRate::Custom ? m_customBaudRate
                                                             : bitsPerSecond(m_settings.baudRate);
    const bool ok = m_serial.setBaudRate(rate) && m_serial.setDataBits(toQt(m_settings.dataBits)) &&
                    m_serial.setParity(toQt(m_settings.parity)) &&
                    m_serial.setStopBits(toQt(m_settings.stopBits)) &&
                    m_serial.setFlowControl(toQt(m_settings.flowControl));
    if (!ok)
        throw EComPort(EComPort::SetStateFailed, systemCodeOf(m_serial.error()));
    holdModemLinesInactive();
}

void TComPort::holdModemLinesInactive()
{
    // The system raises DTR and RTS when a device opens, and a converter may wire them to the
    // station's reset. With hardware handshake RTS belongs to the driver.
    m_serial.setDataTerminalReady(false);
    if (m_serial.flowControl() != QSerialPort::HardwareControl)
        m_serial.setRequestToSend(false);
    m_serial.clearError(); // a pseudo-terminal has no modem lines to set
}

void TComPort::open()
{
    if (connected())
        return;
    const QString device = PortNames::devicePath(m_settings.port);
    if (device.isEmpty())
        throw EComPort(EComPort::OpenFailed, ENOENT);
    m_serial.setPortName(device);
    if (!m_serial.open(QIODevice::ReadWrite))
        throw EComPort(EComPort::OpenFailed, systemCodeOf(m_serial.error()));
    try {
        applyBufferSizes();
        applyLineSettings();
    } catch (const EComPort &) {
        m_serial.close();
        throw;
    }
    m_serial.clearError();
    if (m_lowLatency.request(int(m_serial.handle())))
        qCDebug(lcPort) << "low latency asked of the driver of" << device;
    qCDebug(lcPort) << "opened" << m_settings.port << "as" << device;
    setLamp(Lamp::Connection, true);
    Q_EMIT afterOpen();
}

void TComPort::close()
{
    if (!connected())
        return;
    abortTransfers();
    m_serial.clear();
    m_lowLatency.restore(int(m_serial.handle()));
    m_serial.close();
    setLamp(Lamp::Connection, false);
    setLamp(Lamp::Receive, false);
    qCDebug(lcPort) << "closed" << m_settings.port;
    Q_EMIT afterClose();
}

void TComPort::clearBuffers(bool input, bool output)
{
    requireOpen(EComPort::PurgeFailed);
    QSerialPort::Directions directions;
    if (input)
        directions |= QSerialPort::Input;
    // Bytes already handed to the kernel are being transmitted, as a completed write's are on
    // the station's converters; only what still waits in our own queue is discarded.
    if (output && m_serial.bytesToWrite() > 0)
        directions |= QSerialPort::Output;
    if (directions && !m_serial.clear(directions))
        throw EComPort(EComPort::PurgeFailed, systemCodeOf(m_serial.error()));
    if (input)
        setLamp(Lamp::Receive, false);
}

void TComPort::discardUploadLeftovers() noexcept
{
    // An upload ended by leaving its page must not go on sending what it queued, also what the
    // system holds untransmitted, nor may its answers reach the next page's handler.
    m_unqueued.clear();
    if (purge(QSerialPort::AllDirections))
        setLamp(Lamp::Receive, false);
}

void TComPort::discardUnsentOutput() noexcept
{
    // As clearBuffers does: what the system took is as good as sent, only our queue goes.
    m_unqueued.clear();
    if (m_serial.bytesToWrite() > 0)
        purge(QSerialPort::Output);
}

bool TComPort::purge(QSerialPort::Directions directions) noexcept
{
    if (!connected())
        return false;
    // A device that is gone fails the purge: nothing of it is left to send or to answer, and
    // its loss is said once, by the close that follows (onError).
    if (!m_serial.clear(directions))
        qCWarning(lcPort) << "nothing purged:" << m_serial.errorString();
    return true;
}

qsizetype TComPort::queueForWriting(QByteArrayView bytes)
{
    const qint64 room = qint64(m_outputBufferSize) - m_serial.bytesToWrite();
    const auto n = qsizetype(std::clamp<qint64>(room, 0, bytes.size()));
    if (n > 0 && m_serial.write(bytes.data(), n) != n)
        throw EComPort(EComPort::WriteFailed, systemCodeOf(m_serial.error()));
    return n;
}

void TComPort::pushQueuedOutput(const QDeadlineTimer &deadline)
{
    // Only the line's readiness is waited for: received bytes wait in the system meanwhile,
    // however many come, and a full input buffer cannot stop the write.
    pollfd ready{int(m_serial.handle()), POLLOUT, 0};
    const int polled = ::poll(&ready, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
    if (polled < 0 && errno != EINTR)
        throw EComPort(EComPort::WriteFailed, errno);
    if (polled <= 0)
        return; // the time-out ends the write
    if (ready.revents & POLLNVAL)
        throw EComPort(EComPort::WriteFailed, EBADF);
    // Hands the next piece to the system; a device gone fails it (and is closed by onError).
    if (!m_serial.flush() && m_serial.error() != QSerialPort::NoError)
        throw EComPort(EComPort::WriteFailed, systemCodeOf(m_serial.error()));
}

qint64 TComPort::write(QByteArrayView bytes)
{
    requireOpen(EComPort::WriteFailed);
    setLamp(Lamp::Transmit, true); // stays lit: the port never reports its queue empty
    QScopedValueRollback guard(m_inBlockingCall, true);
    const int limit =
        totalTimeout(m_timeouts.writeTotalMultiplier, m_timeouts.writeTotalConstant, bytes.size());
    const QDeadlineTimer deadline(limit > 0 ? limit : unboundedWaitCapMs);
    qsizetype queued = 0;
    for (;;) {
        queued += queueForWriting(bytes.sliced(queued));
        if ((queued == bytes.size() && m_serial.bytesToWrite() == 0) || deadline.hasExpired())
            break;
        pushQueuedOutput(deadline);
        if (!connected())
            break;
    }
    if (!connected() || (m_serial.error() != QSerialPort::NoError &&
                         m_serial.error() != QSerialPort::TimeoutError)) {
        throw EComPort(EComPort::WriteFailed, systemCodeOf(m_serial.error()));
    }
    const qint64 unsent = (bytes.size() - queued) + m_serial.bytesToWrite();
    if (m_serial.bytesToWrite() > 0) {
        // A write that ran out of time sends no more of its bytes, as the driver would.
        m_serial.clear(QSerialPort::Output);
    }
    m_serial.clearError();
    return bytes.size() - unsent;
}

QByteArray TComPort::read(int n)
{
    requireOpen(EComPort::ReadFailed);
    QScopedValueRollback guard(m_inBlockingCall, true);
    QByteArray got;
    const int limit = totalTimeout(m_timeouts.readTotalMultiplier, m_timeouts.readTotalConstant, n);
    const bool returnAtOnce = m_timeouts.readInterval == -1 && limit == 0;
    QDeadlineTimer deadline(limit > 0 ? limit : unboundedWaitCapMs);
    while (got.size() < n) {
        got += m_serial.read(n - got.size());
        if (got.size() >= n || returnAtOnce || deadline.hasExpired())
            break;
        int wait = int(deadline.remainingTime());
        if (m_timeouts.readInterval > 0 && !got.isEmpty())
            wait = std::min(wait, m_timeouts.readInterval);
        if (!m_serial.waitForReadyRead(wait)) {
            if (m_serial.error() == QSerialPort::TimeoutError) {
                m_serial.clearError();
                if (m_timeouts.readInterval > 0 && !got.isEmpty())
                    break; // the gap between two bytes was too long
                continue;
            }
            if (!connected() || m_serial.error() != QSerialPort::NoError)
                throw EComPort(EComPort::ReadFailed, systemCodeOf(m_serial.error()));
        }
    }
    if (m_serial.bytesAvailable() == 0)
        setLamp(Lamp::Receive, false);
    return got;
}

int TComPort::inputCount() const
{
    requireOpen(EComPort::ClearErrorFailed);
    return int(m_serial.bytesAvailable());
}

int TComPort::outputCount() const
{
    requireOpen(EComPort::ClearErrorFailed);
    return int(m_serial.bytesToWrite());
}

void TComPort::setDataSink(DataSink sink)
{
    m_sink = std::move(sink);
}

bool TComPort::lampLit(Lamp lamp) const
{
    return m_lamps[static_cast<int>(lamp)];
}

void TComPort::setLamp(Lamp lamp, bool lit)
{
    bool &state = m_lamps[static_cast<int>(lamp)];
    if (state == lit)
        return;
    state = lit;
    Q_EMIT lampChanged(lamp, lit);
}

void TComPort::onReadyRead()
{
    if (m_inBlockingCall || !connected())
        return; // a blocking read or write in progress takes the bytes itself
    if (m_reading) {
        takeForRead();
        return;
    }
    if (m_held)
        return;
    setLamp(Lamp::Receive, true);
    if (m_sink) {
        const QByteArray chunk = m_serial.readAll();
        setLamp(Lamp::Receive, false);
        m_sink(chunk);
        return;
    }
    Q_EMIT rxChar(int(m_serial.bytesAvailable()));
}

void TComPort::onError(QSerialPort::SerialPortError error)
{
    // A pulled converter shows as a resource error; a hung-up pseudo-terminal as a read error
    // that repeats for as long as the port stays open.
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (!lost || !connected() || m_closePending)
        return;
    m_closePending = true;
    const QString name = m_settings.port;
    qCWarning(lcPort) << "device lost:" << name << m_serial.errorString();
    // Leave the failing call first; then close through the close event and say so once.
    QMetaObject::invokeMethod(
        this,
        [this, name] {
            m_closePending = false;
            if (!connected())
                return;
            close();
            Q_EMIT deviceLost(
                u"The connection to %1 was lost: the converter was unplugged or stopped "
                "answering. The port has been closed."_s.arg(name));
        },
        Qt::QueuedConnection);
}

void TComPort::startWrite(const QByteArray &bytes)
{
    requireOpen(EComPort::WriteFailed);
    setLamp(Lamp::Transmit, true);
    m_unqueued = bytes; // shared with the caller, not copied
    queueUnsent();
    m_writing = true;
    const int limit =
        totalTimeout(m_timeouts.writeTotalMultiplier, m_timeouts.writeTotalConstant, bytes.size());
    m_writeTimer->start(limit > 0 ? limit : unboundedWaitCapMs);
    if (m_unqueued.isEmpty() && m_serial.bytesToWrite() == 0)
        QMetaObject::invokeMethod(this, &TComPort::finishWrite, Qt::QueuedConnection);
}

void TComPort::queueUnsent()
{
    m_unqueued.remove(0, queueForWriting(m_unqueued));
}

void TComPort::onBytesWritten()
{
    if (!m_writing || !connected())
        return;
    // The system took a piece: the queue has room for more of the write. A failure here is the
    // device's, and reaches the user through its error and the close (onError).
    if (const QString failure = failureOf([this] { queueUnsent(); }); !failure.isEmpty()) {
        qCWarning(lcPort) << "write stopped:" << failure;
        m_unqueued.clear();
    }
    if (m_unqueued.isEmpty() && m_serial.bytesToWrite() == 0)
        finishWrite();
}

void TComPort::finishWrite()
{
    if (!m_writing)
        return;
    m_writing = false;
    m_writeTimer->stop();
    Q_EMIT writeFinished();
}

void TComPort::startRead(int n)
{
    requireOpen(EComPort::ReadFailed);
    m_reading = true;
    m_readWanted = n;
    m_readSoFar.clear();
    const int limit = totalTimeout(m_timeouts.readTotalMultiplier, m_timeouts.readTotalConstant, n);
    if (limit == 0 && m_timeouts.readInterval == -1) {
        m_readSoFar = m_serial.read(n);
        QMetaObject::invokeMethod(this, &TComPort::finishRead, Qt::QueuedConnection);
        return;
    }
    m_readTimer->start(limit > 0 ? limit : unboundedWaitCapMs);
    takeForRead();
}

void TComPort::takeForRead()
{
    if (!m_reading)
        return;
    const QByteArray got = m_serial.read(m_readWanted - m_readSoFar.size());
    m_readSoFar += got;
    if (m_readSoFar.size() >= m_readWanted) {
        finishRead();
    } else if (!got.isEmpty() && m_timeouts.readInterval > 0) {
        m_intervalTimer->start(m_timeouts.readInterval);
    }
}

void TComPort::finishRead()
{
    if (!m_reading)
        return;
    m_reading = false;
    m_readTimer->stop();
    m_intervalTimer->stop();
    if (m_serial.bytesAvailable() == 0)
        setLamp(Lamp::Receive, false);
    Q_EMIT readFinished(std::exchange(m_readSoFar, {}));
}

void TComPort::abortTransfers() noexcept
{
    m_writing = m_reading = false;
    m_readSoFar.clear();
    m_unqueued.clear();
    for (QTimer *timer : {m_writeTimer, m_readTimer, m_intervalTimer})
        timer->stop();
}

void TComPort::setHeld(bool held)
{
    const bool changed = held != m_held;
    m_held = held;
    if (changed)
        Q_EMIT heldChanged(held);
    // What came while held is handled now, as it would have been without the hold.
    if (!held && connected() && m_serial.bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &TComPort::onReadyRead, Qt::QueuedConnection);
}
