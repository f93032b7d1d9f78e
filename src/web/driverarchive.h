#pragma once

#include <QString>
#include <QStringList>

// Unpacks the driver archive "USBDrivers.zip" into a folder, all or nothing. Every entry is
// checked before anything is written: a name that would land outside the folder ("..", an
// absolute path, a drive letter, backslash steps), a link or other special entry, more entries
// or more bytes than the caps, and an entry that holds more than it declares refuse the whole
// archive. The entries are written to a temporary folder inside the target and moved into place
// only when all of them were written; replaced files come back if a move fails. Before the
// first move the destinations are checked too: a file outside the archive's own top folders,
// one of the program's own files (the program, any "korvant.*", the settings, the CA file) or a
// path through a link that already exists in the target refuses the whole archive.
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

    // What an archive never writes, wherever it is unpacked.
    struct OwnFiles
    {
        // The running program: neither it nor any file or folder named like it, with or
        // without an extension ("korvant", "korvant.ver", "korvant.old"...), in any letter case.
        QString programFile;
        // Further files never written, by full path: the settings and the CA file.
        QStringList files;

        // This program's: the given program file (empty: the running one), the settings store
        // and the CA file where they are now.
        static OwnFiles of(const QString &programFile = {});
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
    static Result extract(const QString &zipPath, const QString &targetFolder, const Limits &limits,
                          const OwnFiles &ownFiles);

    // The entry name as a relative path ("/" between folders, no "." steps), or an empty text
    // and the reason when the name must not be written.
    static QString relativePath(const QString &entryName, QString *reason = nullptr);
};
