#pragma once

#include "platform/versionrecord.h"

#include <QFile>
#include <QString>

// A copy of the built program at path that stands for another version: its record says
// version and updateUrl. Empty when it could not be made.
inline QString stampedProgramCopy(const QString &path, const QString &version,
                                  const QString &updateUrl)
{
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(KORVANT_BINARY_DIR "/bin/korvant"), path))
        return {};
    const bool stamped = VersionRecord::stamp(
        path, {{QStringLiteral("FileVersion"), version}, {QStringLiteral("UpdateURL"), updateUrl}});
    return stamped ? path : QString();
}
