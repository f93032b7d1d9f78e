#include "pty.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString systemError(const QString &what)
{
    return what + u": "_s + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PseudoTerminal::PseudoTerminal(QObject *parent) : QObject(parent) {}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

bool PseudoTerminal::open(QString *error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        *error = systemError(u"Cannot create a pseudo-terminal"_s);
        hangUp();
        return false;
    }
    char name[256] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        *error = systemError(u"Cannot name the pseudo-terminal"_s);
        hangUp();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slaveKeepAlive = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveKeepAlive < 0) {
        *error = systemError(u"Cannot open "_s + m_slavePath);
        hangUp();
        return false;
    }
    termios raw{};
    ::tcgetattr(m_slaveKeepAlive, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slaveKeepAlive, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::readyRead);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        m_writeNotifier->setEnabled(false);
        Q_EMIT readyWrite();
    });
    return true;
}

qsizetype PseudoTerminal::bytesWaiting() const
{
    int waiting = 0;
    if (m_master < 0 || ::ioctl(m_master, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

QByteArray PseudoTerminal::read(qsizetype maxBytes)
{
    if (m_master < 0 || maxBytes <= 0)
        return {};
    QByteArray bytes(std::min<qsizetype>(maxBytes, 65536), Qt::Uninitialized);
    const ssize_t n = ::read(m_master, bytes.data(), size_t(bytes.size()));
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return {};
    if (n <= 0) {
        // Nothing holds the slave open any more; reading again would spin.
        setReadEnabled(false);
        Q_EMIT failed();
        return {};
    }
    bytes.truncate(n);
    return bytes;
}

qsizetype PseudoTerminal::write(QByteArrayView bytes)
{
    if (m_master < 0)
        return -1;
    const ssize_t n = ::write(m_master, bytes.data(), size_t(bytes.size()));
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return n;
}

void PseudoTerminal::setReadEnabled(bool on)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(on);
}

void PseudoTerminal::watchWritable()
{
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(true);
}

void PseudoTerminal::hangUp()
{
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveKeepAlive = m_master = -1;
}
