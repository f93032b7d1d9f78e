#pragma once

#include "platform/textencoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The `.tout` file: exactly the text of the turnout memo, nothing added. Written in the 8-bit
// code page (Windows-1252, the code page the station's users have always saved these files in)
// without a byte-order mark, unless the last file read carried a UTF-8 or UTF-16 mark: then in
// that encoding with the same mark.
namespace ToutFile {

using Encoding = TextEncoding::Encoding;

struct Read
{
    QString text; // line ends CR, LF or CR LF all made CR LF
    Encoding encoding = Encoding::Ansi;
};

struct Written
{
    QByteArray bytes;
    // Characters the encoding cannot hold, written as "?".
    int unrepresentable = 0;
};

// The code page's name, as messages give it: "windows-1252".
QString codePageName();

Read decode(QByteArrayView bytes);
// The file's bytes. Fails with "Cannot open file ...", "Cannot read file ..." and for a file too
// large to be a turnout file (one is 800 bytes; a large one was chosen by mistake).
QByteArray readFile(const QString &path);
Written encode(QStringView text, Encoding encoding);

} // namespace ToutFile
