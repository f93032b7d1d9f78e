#include "firmware/firmwareupload.h"

using namespace Qt::Literals::StringLiterals;

namespace FirmwareUpload {

namespace {

QString minutesSecondsMillis(qint64 elapsedMs)
{
    const qint64 minutes = (elapsedMs / 60000) % 60; // hours are not shown
    const qint64 seconds = (elapsedMs / 1000) % 60;
    const qint64 millis = elapsedMs % 1000;
    return u"%1.%2.%3"_s.arg(minutes, 2, 10, QChar(u'0'))
        .arg(seconds, 2, 10, QChar(u'0'))
        .arg(millis, 3, 10, QChar(u'0'));
}

} // namespace

QList<UploadJob::Unit> units(const Options &options, const QString &wireText,
                             const QStringList &lines)
{
    switch (options.mode) {
    case Mode::Direct:
    case Mode::DirectComm:
        return UploadJob::xonPacedLines(lines);
    case Mode::Standard:
        break;
    }
    if (options.clearToSend)
        return UploadJob::wholeText(wireText);
    return UploadJob::characters(wireText, options.specialRead ? UploadJob::Wait::OneRead
                                                               : UploadJob::Wait::Nothing);
}

QString startLine(qint64 elapsedMs, const QString &baudName)
{
    const qint64 seconds = (elapsedMs / 1000) % 60;
    return u"Start: %1.%2 BaudRate:%3"_s.arg(seconds).arg(elapsedMs % 1000).arg(baudName);
}

QString endLine(qint64 elapsedMs, const QString &baudName)
{
    return u"End:%1 BaudRate:%2"_s.arg(minutesSecondsMillis(elapsedMs), baudName);
}

QStringList directSummary(Mode mode, qint64 elapsedMs, const QString &baudName)
{
    if (mode == Mode::DirectComm) {
        return {u"Start: 0.0"_s,
                u"End:%1 Seconds - BaudRate:%2"_s.arg(minutesSecondsMillis(elapsedMs), baudName)};
    }
    return {startLine(0, baudName), endLine(elapsedMs, baudName)};
}

} // namespace FirmwareUpload
