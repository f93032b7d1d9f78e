#pragma once

#include <QString>
#include <QStringList>

// A check of an Intel HEX firmware file, record by record: syntax, byte count, checksum,
// record type and the end-of-file record. The upload sends the text as it stands either way;
// the check only warns the user before a broken file reaches the boot loader.
namespace IntelHex {

struct CheckResult
{
    bool ok = true;
    int records = 0; // records read up to the first problem
    int badLine = 0; // 1-based line of the first problem; 0 when none or at the end
    QString problem; // what is wrong there

    // "Line 12: the checksum is 3F; the record's bytes need 40." and the like.
    QString message() const;
};

CheckResult check(const QStringList &lines);

} // namespace IntelHex
