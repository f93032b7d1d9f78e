#include "web/driverarchive.h"

#include "platform/settingsstore.h"
#include "web/servernames.h"
#include "web/webclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <limits>
#include <memory>
#include <set>
#include <zip.h>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcArchive, "korvant.archive", QtInfoMsg)

namespace {

// Unix file types in the upper half of an entry's external attributes.
constexpr quint32 TypeMask = 0170000;
constexpr quint32 RegularFile = 0100000;
constexpr quint32 Directory = 0040000;
constexpr quint32 SymbolicLink = 0120000;
constexpr quint32 DosDirectory = 0x10;
constexpr qint64 ChunkSize = 64 * 1024;

struct ArchiveCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct EntryCloser
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using EntryFile = std::unique_ptr<zip_file_t, EntryCloser>;

// Ends the unpacking; its text says why, after "Cannot unpack NAME: ".
struct Refusal
{
    QString reason;
};

struct Entry
{
    zip_uint64_t index = 0;
    QString name;
    QString path;
    bool directory = false;
    qint64 declared = 0;
    bool unixMode = false;
    quint32 mode = 0;
};

QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 0);
}

Refusal tooLarge(const DriverArchive::Limits &limits)
{
    return {u"its files would take more than %1"_s.arg(sizeText(limits.maxBytes))};
}

Refusal entryRefusal(const QString &name, const QString &reason)
{
    return {u"the entry '%1' %2"_s.arg(name, reason)};
}

Archive openArchive(const QString &zipPath)
{
    int code = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw Refusal{text};
    }
    return Archive(archive);
}

Entry readEntry(zip_t *archive, zip_uint64_t index)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) ||
        !(stat.valid & ZIP_STAT_SIZE)) {
        throw Refusal{QString::fromLocal8Bit(zip_strerror(archive))};
    }
    Entry entry;
    entry.index = index;
    entry.name = QString::fromUtf8(stat.name); // libzip gives CP437 names as UTF-8
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw entryRefusal(entry.name, u"is protected by a password"_s);
    if (stat.size > quint64(std::numeric_limits<qint64>::max()))
        throw entryRefusal(entry.name, u"declares an impossible size"_s);
    entry.declared = qint64(stat.size);

    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        throw Refusal{QString::fromLocal8Bit(zip_strerror(archive))};
    entry.unixMode = system == ZIP_OPSYS_UNIX;
    entry.mode = attributes >> 16;
    const quint32 type = entry.mode & TypeMask;
    if (entry.unixMode && type == SymbolicLink)
        throw entryRefusal(entry.name, u"is a link"_s);
    if (entry.unixMode && type != 0 && type != RegularFile && type != Directory)
        throw entryRefusal(entry.name, u"is a special file"_s);
    entry.directory = entry.name.endsWith(u'/') || entry.name.endsWith(u'\\') ||
                      (entry.unixMode ? type == Directory : (attributes & DosDirectory) != 0);
    if (entry.directory && entry.declared != 0)
        throw entryRefusal(entry.name, u"is a folder that holds data"_s);

    QString reason;
    entry.path = DriverArchive::relativePath(entry.name, &reason);
    if (entry.path.isEmpty())
        throw entryRefusal(entry.name, reason);
    return entry;
}

QList<Entry> readEntries(zip_t *archive, const DriverArchive::Limits &limits)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0)
        throw Refusal{QString::fromLocal8Bit(zip_strerror(archive))};
    if (count > limits.maxEntries) {
        throw Refusal{u"it holds %1 entries, more than %2"_s.arg(count).arg(limits.maxEntries)};
    }
    QList<Entry> entries;
    qint64 total = 0;
    for (zip_int64_t index = 0; index < count; ++index) {
        Entry entry = readEntry(archive, zip_uint64_t(index));
        if (entry.declared > limits.maxBytes - total)
            throw tooLarge(limits);
        total += entry.declared;
        entries.append(std::move(entry));
    }
    return entries;
}

void setRunPermission(const QString &file, const Entry &entry)
{
    if (!entry.unixMode || (entry.mode & 0111) == 0)
        return;
    QFile::Permissions permissions = QFile::permissions(file);
    if (entry.mode & 0100)
        permissions |= QFile::ExeOwner | QFile::ExeUser;
    if (entry.mode & 0010)
        permissions |= QFile::ExeGroup;
    if (entry.mode & 0001)
        permissions |= QFile::ExeOther;
    if (!QFile::setPermissions(file, permissions))
        throw Refusal{u"cannot make %1 runnable"_s.arg(entry.path)};
}

// Writes one file entry, counting what really comes out of it.
qint64 writeEntry(zip_t *archive, const Entry &entry, const QString &destination, qint64 total,
                  const DriverArchive::Limits &limits)
{
    QFile out(destination);
    // NewOnly: a second entry of the same name is refused, never merged.
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Refusal{u"cannot write %1: %2"_s.arg(entry.path, out.errorString())};
    EntryFile file(zip_fopen_index(archive, entry.index, 0));
    if (!file)
        throw entryRefusal(entry.name,
                           u"cannot be read: "_s + QString::fromLocal8Bit(zip_strerror(archive)));
    QByteArray buffer(ChunkSize, Qt::Uninitialized);
    qint64 written = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0) {
            throw entryRefusal(entry.name, u"is damaged: "_s + QString::fromLocal8Bit(
                                                                   zip_file_strerror(file.get())));
        }
        if (got == 0)
            break;
        written += got;
        if (written > entry.declared)
            throw entryRefusal(entry.name, u"holds more data than it declares"_s);
        if (total + written > limits.maxBytes)
            throw tooLarge(limits);
        if (out.write(buffer.constData(), got) != got)
            throw Refusal{u"cannot write %1: %2"_s.arg(entry.path, out.errorString())};
    }
    if (written != entry.declared) {
        throw entryRefusal(
            entry.name, u"is damaged: it holds %1 of the %2 bytes it declares"_s.arg(written).arg(
                            entry.declared));
    }
    if (!out.flush())
        throw Refusal{u"cannot write %1: %2"_s.arg(entry.path, out.errorString())};
    out.close();
    setRunPermission(destination, entry);
    return written;
}

// Moves the unpacked tree into the target, file by file. A file of the same name is set aside
// first; when a move fails, everything done so far is undone.
class Placement final
{
public:
    Placement(const QString &target, const QString &staged, const QString &setAside,
              const DriverArchive::OwnFiles &ownFiles)
        : m_target(target), m_staged(staged), m_setAside(setAside)
    {
        // Own names compare without regard to case: a file system that ignores case would
        // otherwise let "KORVANT" replace "korvant".
        for (const QString &name :
             {ServerNames::programFileName(), QFileInfo(ownFiles.programFile).fileName()}) {
            const QString stem = ServerNames::withExtension(name, {});
            if (!stem.isEmpty() && !m_ownStems.contains(stem, Qt::CaseInsensitive))
                m_ownStems.append(stem);
        }
        const QStringList ownPaths = QStringList(ownFiles.files) << ownFiles.programFile;
        for (const QString &file : ownPaths) {
            if (!file.isEmpty())
                m_ownFiles.append(comparable(file));
        }
        const QString canonical = QFileInfo(m_target).canonicalFilePath();
        m_comparableTarget = canonical.isEmpty() ? m_target : canonical;
    }

    void run(const QList<Entry> &entries)
    {
        std::set<QString> folders; // sorted: a folder comes before what it holds
        for (const Entry &entry : entries) {
            QStringList steps = entry.path.split(u'/');
            if (!entry.directory)
                steps.removeLast();
            for (qsizetype n = 1; n <= steps.size(); ++n)
                folders.insert(steps.first(n).join(u'/'));
        }
        checkOwnFiles(entries);
        checkLinks(folders, entries);
        checkConflicts(folders, entries);
        try {
            for (const QString &folder : folders)
                makeFolder(folder);
            for (const Entry &entry : entries) {
                if (!entry.directory)
                    place(entry.path);
            }
        } catch (const Refusal &) {
            rollBack();
            throw;
        }
    }

private:
    enum class Kind
    {
        MadeFolder,
        SetAside,
        Placed
    };
    struct Step
    {
        Kind kind;
        QString path;
        QString aside;
    };

    QString inTarget(const QString &path) const { return m_target + u'/' + path; }

    // A path as it can be compared: its folder without links, and its name.
    static QString comparable(const QString &path)
    {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
    }

    bool isOwnName(const QString &step) const
    {
        for (const QString &stem : m_ownStems) {
            if (step.compare(stem, Qt::CaseInsensitive) == 0 ||
                step.startsWith(stem + u'.', Qt::CaseInsensitive))
                return true;
        }
        return false;
    }

    // The archive brings its files in folders of its own: a file at its top would land among
    // the program's files, and the names that the program itself uses stay the program's.
    void checkOwnFiles(const QList<Entry> &entries) const
    {
        for (const Entry &entry : entries) {
            const QStringList steps = entry.path.split(u'/');
            for (const QString &step : steps) {
                if (isOwnName(step)) {
                    throw entryRefusal(
                        entry.name,
                        u"would replace one of the program's own files (%1)"_s.arg(step));
                }
            }
            if (!entry.directory && steps.size() < 2) {
                throw entryRefusal(entry.name,
                                   u"lies outside the archive's folders; only files inside "
                                   "its folders are unpacked"_s);
            }
            const QString destination = m_comparableTarget + u'/' + entry.path;
            for (const QString &own : m_ownFiles) {
                if (destination.compare(own, Qt::CaseInsensitive) == 0) {
                    throw entryRefusal(
                        entry.name,
                        u"would replace one of the program's own files (%1)"_s.arg(own));
                }
            }
        }
    }

    // Each step on the way to a destination is looked at as it stands, without following it:
    // a link the target already holds could lead anywhere.
    void checkLinks(const std::set<QString> &folders, const QList<Entry> &entries) const
    {
        const auto refuseLink = [this](const QString &path) {
            if (QFileInfo(inTarget(path)).isSymLink())
                throw Refusal{u"%1 is a link here; nothing is unpacked through a link"_s.arg(path)};
        };
        for (const QString &folder : folders)
            refuseLink(folder);
        for (const Entry &entry : entries)
            refuseLink(entry.path);
    }

    void checkConflicts(const std::set<QString> &folders, const QList<Entry> &entries) const
    {
        for (const QString &folder : folders) {
            const QFileInfo there(inTarget(folder));
            if (there.exists() && !there.isDir())
                throw Refusal{
                    u"%1 is a file here, but the archive has a folder of that name"_s.arg(folder)};
        }
        for (const Entry &entry : entries) {
            if (!entry.directory && QFileInfo(inTarget(entry.path)).isDir())
                throw Refusal{u"%1 is a folder here, but the archive has a file of that name"_s.arg(
                    entry.path)};
        }
    }

    void makeFolder(const QString &folder)
    {
        if (QFileInfo(inTarget(folder)).isDir())
            return;
        if (!QDir().mkdir(inTarget(folder)))
            throw Refusal{u"cannot make the folder %1"_s.arg(folder)};
        m_done.append({Kind::MadeFolder, inTarget(folder), {}});
    }

    void place(const QString &path)
    {
        const QString destination = inTarget(path);
        if (QFileInfo::exists(destination)) {
            const QString aside = m_setAside + u'/' + QString::number(m_done.size());
            QFile existing(destination);
            if (!existing.rename(aside))
                throw Refusal{u"cannot replace %1: %2"_s.arg(path, existing.errorString())};
            m_done.append({Kind::SetAside, destination, aside});
        }
        QFile staged(m_staged + u'/' + path);
        if (!staged.rename(destination))
            throw Refusal{u"cannot put %1 in place: %2"_s.arg(path, staged.errorString())};
        m_done.append({Kind::Placed, destination, {}});
    }

    void rollBack()
    {
        for (auto step = m_done.crbegin(); step != m_done.crend(); ++step) {
            bool undone = true;
            switch (step->kind) {
            case Kind::Placed:
                undone = QFile::remove(step->path);
                break;
            case Kind::SetAside:
                undone = QFile::rename(step->aside, step->path);
                break;
            case Kind::MadeFolder:
                undone = QDir().rmdir(step->path);
                break;
            }
            if (!undone)
                qCWarning(lcArchive) << "could not undo a step of the unpacking at" << step->path;
        }
        m_done.clear();
    }

    QString m_target;
    QString m_staged;
    QString m_setAside;
    QString m_comparableTarget;
    QStringList m_ownStems;
    QStringList m_ownFiles;
    QList<Step> m_done;
};

} // namespace

QString DriverArchive::relativePath(const QString &entryName, QString *reason)
{
    const auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return QString();
    };
    // Archives made on Windows may separate folders with backslashes: they are steps too.
    QString name = entryName;
    name.replace(u'\\', u'/');
    if (name.isEmpty())
        return refuse(u"has no name"_s);
    if (name.startsWith(u'/'))
        return refuse(u"is an absolute path"_s);
    if (name.contains(u':'))
        return refuse(u"names a drive or a stream"_s);
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return refuse(u"holds a control character"_s);
    }
    QStringList steps;
    for (const QString &step : name.split(u'/', Qt::SkipEmptyParts)) {
        if (step == u".."_s)
            return refuse(u"would be written outside the folder"_s);
        if (step != u"."_s)
            steps.append(step);
    }
    if (steps.isEmpty())
        return refuse(u"names nothing"_s);
    return steps.join(u'/');
}

DriverArchive::OwnFiles DriverArchive::OwnFiles::of(const QString &programFile)
{
    OwnFiles own;
    own.programFile = programFile;
    if (own.programFile.isEmpty() && QCoreApplication::instance())
        own.programFile = QCoreApplication::applicationFilePath();
    own.files = {SettingsStore::defaultPath(), WebClient::caFile()};
    return own;
}

DriverArchive::Result DriverArchive::extract(const QString &zipPath, const QString &targetFolder)
{
    return extract(zipPath, targetFolder, Limits());
}

DriverArchive::Result DriverArchive::extract(const QString &zipPath, const QString &targetFolder,
                                             const Limits &limits)
{
    return extract(zipPath, targetFolder, limits, OwnFiles::of());
}

DriverArchive::Result DriverArchive::extract(const QString &zipPath, const QString &targetFolder,
                                             const Limits &limits, const OwnFiles &ownFiles)
{
    Result result;
    try {
        const QString target = QFileInfo(targetFolder).absoluteFilePath();
        if (!QFileInfo(target).isDir())
            throw Refusal{u"the folder %1 does not exist"_s.arg(targetFolder)};
        Archive archive = openArchive(zipPath);
        const QList<Entry> entries = readEntries(archive.get(), limits);

        QTemporaryDir staging(target + u"/.unpacking-XXXXXX"_s);
        if (!staging.isValid())
            throw Refusal{u"cannot write in %1: %2"_s.arg(target, staging.errorString())};
        const QString staged = staging.filePath(u"files"_s);
        const QString setAside = staging.filePath(u"replaced"_s);
        if (!QDir().mkdir(staged) || !QDir().mkdir(setAside))
            throw Refusal{u"cannot write in %1"_s.arg(staging.path())};

        qint64 total = 0;
        for (const Entry &entry : entries) {
            const QString destination = staged + u'/' + entry.path;
            const QString folder =
                entry.directory ? destination : QFileInfo(destination).absolutePath();
            if (!QDir().mkpath(folder))
                throw Refusal{u"cannot make the folder for %1"_s.arg(entry.path)};
            if (!entry.directory) {
                total += writeEntry(archive.get(), entry, destination, total, limits);
                result.files.append(entry.path);
            }
        }
        Placement(target, staged, setAside, ownFiles).run(entries);
        result.bytes = total;
        result.ok = true;
    } catch (const Refusal &refusal) {
        result = Result();
        result.error =
            u"Cannot unpack %1: %2."_s.arg(QFileInfo(zipPath).fileName(), refusal.reason);
        qCDebug(lcArchive) << result.error;
    }
    return result;
}
