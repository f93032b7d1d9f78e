#include "cli/flashrun.h"

#include "platform/signalwatcher.h"

#include <QEventLoop>
#include <QTimer>

FlashRun::FlashRun(TComPort &port, QList<UploadJob::Unit> units, int xonTimeoutMs)
    : m_port(port), m_units(std::move(units)), m_xonTimeoutMs(xonTimeoutMs)
{}

qint64 FlashRun::totalBytes() const
{
    qint64 total = 0;
    for (const UploadJob::Unit &unit : m_units)
        total += unit.bytes.size();
    return total;
}

FlashRun::Result FlashRun::run(const Progress &progress)
{
    UploadJob job(m_port, m_units);
    QEventLoop loop;
    SignalWatcher signalWatcher;
    // The page waits for XON until the user cancels; unattended, the wait needs a bound.
    QTimer xonWait;
    xonWait.setSingleShot(true);
    xonWait.setInterval(m_xonTimeoutMs);
    Result result;
    int current = -1;
    qint64 done = 0;

    QObject::connect(&job, &UploadJob::unitWritten, &loop, [&](int index) {
        current = index;
        if (m_units.at(index).wait == UploadJob::Wait::Xon)
            xonWait.start();
    });
    QObject::connect(&job, &UploadJob::unitDone, &loop, [&](int index) {
        xonWait.stop();
        done += m_units.at(index).bytes.size();
        if (progress)
            progress(done);
    });
    QObject::connect(&xonWait, &QTimer::timeout, &loop, [&] {
        result = {End::Silent, {}, current};
        job.cancel();
    });
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &loop, [&] {
        result = {End::Interrupted, {}, current};
        job.cancel();
    });
    QObject::connect(&job, &UploadJob::finished, &loop,
                     [&](UploadJob::Outcome outcome, const QString &error) {
                         if (outcome == UploadJob::Outcome::Failed)
                             result = {End::Failed, error, current};
                         loop.quit();
                     });
    job.start();
    loop.exec();
    return result;
}
