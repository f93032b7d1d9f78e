#pragma once

#include "link/uploadjob.h"

#include <QList>
#include <QString>
#include <functional>

class TComPort;

// A firmware upload from the command line: the page's UploadJob over the port, run in an
// event loop of its own, with two ends the window has no need for: a boot loader that stays
// silent longer than the XON time-out, and SIGINT or SIGTERM.
class FlashRun final
{
public:
    enum class End
    {
        Finished,
        Failed,     // error says why
        Silent,     // no XON came for unit within the time-out
        Interrupted // unit was being sent
    };
    struct Result
    {
        End end = End::Finished;
        QString error;
        int unit = -1;
    };
    using Progress = std::function<void(qint64 bytesDone)>;

    FlashRun(TComPort &port, QList<UploadJob::Unit> units, int xonTimeoutMs);
    Q_DISABLE_COPY_MOVE(FlashRun)

    qint64 totalBytes() const;
    Result run(const Progress &progress);

private:
    TComPort &m_port;
    QList<UploadJob::Unit> m_units;
    int m_xonTimeoutMs = 0;
};
