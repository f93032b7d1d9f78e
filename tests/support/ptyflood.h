#pragma once

#include "support/ptypair.h"

#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <thread>

// A station that keeps sending: bytes offered to the program's port from a thread of their own
// while the event loop runs here, so the program reads them (or stops reading) as it would.
namespace PtyFlood {

// Ends when all bytes were taken or none was for idleMs; gives how many were taken.
inline qsizetype offer(PtyPair &pty, const QByteArray &bytes, int idleMs)
{
    std::atomic<qsizetype> taken = -1;
    std::thread writer([&] { taken = pty.offer(bytes, idleMs); });
    QEventLoop loop;
    QTimer look;
    look.callOnTimeout([&] {
        if (taken >= 0)
            loop.quit();
    });
    look.start(5);
    loop.exec();
    writer.join();
    return taken;
}

} // namespace PtyFlood
