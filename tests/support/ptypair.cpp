#include "support/ptypair.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    // Keeping one slave descriptor open means the master sees no hang-up between the
    // program's close and its next open.
    m_slaveKeepAlive = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // A program the test starts must not inherit either side, or a hang-up never reaches it.
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slaveKeepAlive, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair()
{
    hangUp();
}

QByteArray PtyPair::readAvailable(int minBytes, int timeoutMs)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (m_master >= 0 && got.size() < minBytes) {
        pollfd p{m_master, POLLIN, 0};
        const int remaining = int(deadline.remainingTime());
        if (remaining <= 0 || poll(&p, 1, remaining) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    return got;
}

QByteArray PtyPair::drain(int timeoutMs)
{
    return readAvailable(INT_MAX, timeoutMs);
}

bool PtyPair::write(const QByteArray &bytes)
{
    // A program that stops reading fails the write after a while instead of holding the test.
    return offer(bytes, 10000) == bytes.size();
}

qsizetype PtyPair::offer(const QByteArray &bytes, int idleMs)
{
    qsizetype done = 0;
    QDeadlineTimer stuck(idleMs);
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n < 0) {
            if (errno != EAGAIN || stuck.hasExpired())
                break;
            pollfd p{m_master, POLLOUT, 0};
            poll(&p, 1, int(std::min<qint64>(100, stuck.remainingTime())));
            continue;
        }
        done += n;
        stuck.setRemainingTime(idleMs);
    }
    return done;
}

void PtyPair::hangUp()
{
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveKeepAlive = m_master = -1;
}
