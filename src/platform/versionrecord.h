#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace VersionRecord {

// One named value of the version record of the program file at sAppName, trimmed of blanks
// and control characters; the empty text when the file, its record or the key is missing.
QString GetPropertyValue(const QString &sAppName, const QString &sProp);

using Values = QList<QPair<QString, QString>>;

// Reads the whole record; empty when the file carries none.
Values read(const QString &programFile);

// Rewrites the record of a program file in place (for copies that stand for other versions).
// Returns false when the file has no record or the values do not fit.
bool stamp(const QString &programFile, const Values &values);

} // namespace VersionRecord
