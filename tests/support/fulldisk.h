#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

// A small file system of its own that a test fills up, to see how the program saves on a full
// disk: a tmpfs mount, so only as root; skipReason() says why not otherwise.
class FullDisk final
{
public:
    FullDisk()
    {
        if (geteuid() != 0) {
            m_skipReason = QStringLiteral("a full disk is staged on a tmpfs mount, which needs "
                                          "root; this test runs only as root (as CI does)");
            return;
        }
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                    "size=256k") != 0) {
            m_skipReason = QStringLiteral("cannot mount a tmpfs here: %1")
                               .arg(QString::fromLocal8Bit(strerror(errno)));
            return;
        }
        m_mounted = true;
    }
    ~FullDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY_MOVE(FullDisk)

    QString skipReason() const { return m_skipReason; }
    QString path() const { return m_dir.path(); }

    // Writes filler until the file system refuses any more.
    bool fill() const
    {
        QFile filler(m_dir.filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        bool full = false;
        {
            QFile probe(m_dir.filePath(QStringLiteral("probe")));
            full = !probe.open(QIODevice::WriteOnly) || probe.write(block) < 0 || !probe.flush();
        }
        QFile::remove(m_dir.filePath(QStringLiteral("probe")));
        return full;
    }

private:
    QTemporaryDir m_dir;
    QString m_skipReason;
    bool m_mounted = false;
};
