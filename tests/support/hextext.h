#pragma once

#include <QByteArray>

// A small valid Intel HEX file as the user keeps it: an address record, two data records and the
// end record, each line ended by CR LF. Four lines, so each mode's unit count is told apart
// from its byte count.
inline const QByteArray SmallHex = ":020000040000FA\r\n"
                                   ":0400000000308A0042\r\n"
                                   ":08000800090021007A30990083\r\n"
                                   ":00000001FF\r\n";

// A file long enough to keep a paced upload running: one data record repeated, then the end
// record. The file check names the repeated address, which is not what such tests are about.
inline QByteArray repeatedRecordHex(int records)
{
    return QByteArray(":0400000000308A0042\r\n").repeated(records) + ":00000001FF\r\n";
}

// What the direct upload modes put on the line: the hex text without its line ends.
inline QByteArray withoutTerminators(QByteArray hex)
{
    return hex.replace("\r\n", "");
}
