#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// A disk that takes no more bytes, staged for every user without a mount: once fill() is
// called, the file size limit of this process (RLIMIT_FSIZE) is 0, so every write to a regular
// file fails, as it does on a full disk. The kernel answers EFBIG ("File too large") where a
// full disk answers ENOSPC; the program reaches the same failed write() and reports it with the
// system's text either way. SIGXFSZ, which the kernel sends with EFBIG and which would end the
// process, is ignored meanwhile. Files can still be created, renamed and removed, as on a full
// disk with inodes left. The limit covers the whole process (the test writes nothing to regular
// files while it holds, and starts no process, which would inherit it) and ends with this
// object. Pipes and terminals are not affected, so the test's output reaches ctest; a test log
// written to a file (-o) would miss what is said while the limit holds.
class FullDisk final
{
public:
    FullDisk()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_savedLimit);
        m_savedSignal = ::signal(SIGXFSZ, SIG_IGN);
    }
    ~FullDisk()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_savedLimit);
        ::signal(SIGXFSZ, m_savedSignal);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    QString path() const { return m_dir.path(); }

    // From now on no byte more is written; true when a probe write is refused as it should be.
    bool fill() const
    {
        rlimit none = m_savedLimit;
        none.rlim_cur = 0;
        if (::setrlimit(RLIMIT_FSIZE, &none) != 0)
            return false;
        const QByteArray probe = QFile::encodeName(m_dir.filePath(QStringLiteral("probe")));
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const bool refused = ::write(fd, "x", 1) < 0 && errno == EFBIG;
        ::close(fd);
        ::unlink(probe.constData());
        return refused;
    }

    // The system's text for the failed write, as the program passes it on.
    static QString failureText() { return QString::fromLocal8Bit(::strerror(EFBIG)); }

private:
    QTemporaryDir m_dir;
    rlimit m_savedLimit{};
    sighandler_t m_savedSignal = SIG_DFL;
};
