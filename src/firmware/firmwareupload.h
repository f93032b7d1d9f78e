#pragma once

#include "link/uploadjob.h"

#include <QString>
#include <QStringList>

// What a firmware upload puts on the wire in each mode, and the lines it writes to the log.
// Shared by the Firmware Upgrade page and the command-line tool.
namespace FirmwareUpload {

enum class Mode
{
    Standard,  // the text character by character, or whole with hardware flow control
    Direct,    // line by line, each answered by XON (the station's own USB chip)
    DirectComm // the same through a commercial USB/UART converter
};

struct Options
{
    Mode mode = Mode::Direct;
    bool clearToSend = false; // standard mode: the whole text in one write
    bool specialRead = false; // standard mode: one character read back per character sent
};

// Standard mode sends the memo's text with CR LF line ends; the direct modes its lines,
// without terminators.
QList<UploadJob::Unit> units(const Options &options, const QString &wireText,
                             const QStringList &lines);

// The log's lines; elapsed times in milliseconds since the upload started.
// "Start: 0.0 BaudRate:115200": seconds and milliseconds without leading zeros.
QString startLine(qint64 elapsedMs, const QString &baudName);
// "End:01.07.250 BaudRate:115200": minutes, seconds and milliseconds of the elapsed time.
QString endLine(qint64 elapsedMs, const QString &baudName);
// The direct modes' summary that replaces the log at the end.
QStringList directSummary(Mode mode, qint64 elapsedMs, const QString &baudName);

} // namespace FirmwareUpload
