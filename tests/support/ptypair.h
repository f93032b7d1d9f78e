#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal whose slave side the program opens as its serial port; the test holds the
// master side and sees exactly the bytes the program writes.
class PtyPair final
{
public:
    PtyPair();
    ~PtyPair();
    Q_DISABLE_COPY_MOVE(PtyPair)

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Bytes the program wrote, waiting at most timeoutMs for at least minBytes.
    QByteArray readAvailable(int minBytes = 1, int timeoutMs = 2000);
    // Whatever arrives within timeoutMs (for "nothing was sent" checks).
    QByteArray drain(int timeoutMs = 100);
    // False when the bytes could not all be written (nothing read them for ten seconds).
    bool write(const QByteArray &bytes);
    // Writes until all bytes are taken or nothing was taken for idleMs; gives how many were.
    // A flood for a program whose reading is bounded: it stops taking, and this stops.
    qsizetype offer(const QByteArray &bytes, int idleMs);
    // Closes the master: the program's side sees a hang-up, as when a converter is pulled out.
    void hangUp();

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1;
    QString m_slavePath;
};
