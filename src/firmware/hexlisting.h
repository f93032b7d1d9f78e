#pragma once

#include <QString>
#include <QStringList>

// The assembler listing of a firmware file: one "dw" line a record, its words high byte first
// as the record spells them, and the word address as a comment. The first line is skipped.
namespace HexListing {

struct Result
{
    QStringList lines; // what was converted, up to the first line that could not be
    QString error;     // empty when every line was converted
};

Result fromHexLines(const QStringList &hexLines);

} // namespace HexListing
