#pragma once

#include <QString>
#include <QStringList>

// Unpacks the driver archive "USBDrivers.zip" into a folder, all or nothing. Every entry is
// checked before anything is written: a name that would land outside the folder ("..", an
// absolute path, a drive letter, backslash steps), a link or other special entry, more entries
// or more bytes than the caps, and an entry that holds more than it declares refuse the whole
// archive. The entries are written to a temporary folder inside the target and moved into place
// only when all of them were written; replaced files come back if a move fails.
class DriverArchive final
{
public:
    static constexpr int MaxEntries = 2000;
    static constexpr qint64 MaxBytes = qint64(512) * 1024 * 1024;

    struct Limits
    {
        int maxEntries = MaxEntries;
        qint64 maxBytes = MaxBytes; // all entries together, uncompressed
    };

    struct Result
    {
        bool ok = false;
        QString error;     // why nothing was unpacked
        QStringList files; // the files put in place, relative to the target
        qint64 bytes = 0;  // what they hold
    };

    static Result extract(const QString &zipPath, const QString &targetFolder);
    static Result extract(const QString &zipPath, const QString &targetFolder,
                          const Limits &limits);

    // The entry name as a relative path ("/" between folders, no "." steps), or an empty text
    // and the reason when the name must not be written.
    static QString relativePath(const QString &entryName, QString *reason = nullptr);
};
