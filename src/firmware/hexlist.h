#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// The firmware list of the update server and the copies saved from it.
namespace HexList {

// The list's entries in file order: one a line, lines ended by CR LF (also LF or CR alone);
// an empty line inside is an empty entry, a line end after the last line adds none.
QStringList entries(QStringView listText);

// Why an entry cannot name a file in the program's folder (empty when it can): the names come
// from a server, so anything but a plain file name ending in ".hex" (any case) could write
// elsewhere or over the program's own files.
QString refusal(const QString &entry);

// The bytes of the saved copy: the text's lines, each ended by CR LF.
QByteArray savedCopy(QStringView text);

// Said when the dialog closes with a hex file chosen.
QString uploadReminder();

} // namespace HexList
