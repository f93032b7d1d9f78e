#pragma once

#include <QString>
#include <QStringView>

// Version texts as the update check reads and compares them.
namespace VersionText {

// The published version from the text of a ".ver" file: each CR LF pair becomes a blank, then
// blanks and control characters around it are removed.
QString published(QStringView fileText);

// Dot-separated decimal numbers ("2.0.0.10"); no sign, no blanks, no empty field.
bool isWellFormed(QStringView version);

// Compares two well-formed versions field by field as numbers; a missing field counts as 0,
// so "2.1" equals "2.1.0.0". Negative, zero or positive.
int compare(QStringView a, QStringView b);

// True only when the published version is well formed and greater than the running one. A
// running version that is empty or malformed is older than any well-formed published one.
bool isNewer(QStringView published, QStringView running);

} // namespace VersionText
