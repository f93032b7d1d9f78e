// The driver archive unpacked from any bytes, as a damaged or hostile download would be: all or
// nothing, within its caps, every file inside the target folder and no link anywhere. The whole
// temporary root is compared before and after, so a file written, replaced or removed anywhere
// beside the target is found, not just one folder up. Names in the input that hold the root's
// placeholder "/tmp/kfz-XXXXXX" are given the root's real name (the same length, so the archive's
// name fields still fit): absolute names that point into the root can then be tried.
#include "fuzzcheck.h"
#include "web/driverarchive.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr char RootPlaceholder[] = "/tmp/kfz-XXXXXX";
constexpr size_t RootPlaceholderSize = sizeof(RootPlaceholder) - 1;

// What an entry under the root is: its type, and a file's bytes (they are all small).
struct Shape
{
    bool directory = false;
    QByteArray content;
    QFile::Permissions permissions;

    bool operator==(const Shape &) const = default;
};

QMap<QString, Shape> snapshot(const QString &root)
{
    QMap<QString, Shape> entries;
    // Without FollowSymlinks: a link is recorded as itself, and what it points to is never walked.
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        FUZZ_CHECK(!entry.isSymLink());
        Shape shape;
        shape.directory = entry.isDir();
        shape.permissions = entry.permissions();
        if (entry.isFile()) {
            QFile file(entry.absoluteFilePath());
            FUZZ_CHECK(file.open(QIODevice::ReadOnly));
            shape.content = file.readAll();
        } else {
            FUZZ_CHECK(shape.directory); // no fifo, device or socket
        }
        entries.insert(entry.absoluteFilePath(), shape);
    }
    return entries;
}

// Everything the unpacking can reach besides the target: the archive itself, a folder above the
// target with a file in it, and a file beside the folder.
struct Root
{
    QTemporaryDir dir{QString::fromLatin1(RootPlaceholder)};
    QString zip = dir.filePath(u"USBDrivers.zip"_s);
    QString target = dir.filePath(u"outer/target"_s);

    Root()
    {
        FUZZ_CHECK(dir.isValid() && size_t(dir.path().size()) == RootPlaceholderSize);
        FUZZ_CHECK(QDir().mkpath(target));
        for (const QString &name : {u"beside.txt"_s, u"outer/beside.txt"_s}) {
            QFile file(dir.filePath(name));
            FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Root root;
    static const QByteArray rootName = QFile::encodeName(root.dir.path());
    QDir(root.target).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(root.target));

    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // memmem, so that libFuzzer learns the placeholder from the comparison.
    for (char *at = bytes.data(), *end = at + bytes.size();
         (at = static_cast<char *>(
              memmem(at, size_t(end - at), RootPlaceholder, RootPlaceholderSize)));
         at += RootPlaceholderSize) {
        std::memcpy(at, rootName.constData(), RootPlaceholderSize);
    }
    {
        QFile file(root.zip);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const QMap<QString, Shape> before = snapshot(root.dir.path());

    const DriverArchive::Limits limits{50, 1024 * 1024};
    const DriverArchive::Result result = DriverArchive::extract(root.zip, root.target, limits);

    QMap<QString, Shape> after = snapshot(root.dir.path());
    QSet<QString> files;
    qint64 unpacked = 0;
    const QString inTarget = root.target + u'/';
    for (auto entry = after.begin(); entry != after.end();) {
        if (!entry.key().startsWith(inTarget)) {
            ++entry;
            continue;
        }
        if (!entry->directory) {
            files.insert(entry.key().sliced(inTarget.size()));
            unpacked += entry->content.size();
        }
        entry = after.erase(entry);
    }
    // Outside the target, nothing was made, changed or removed.
    FUZZ_CHECK(after == before);

    if (!result.ok) {
        FUZZ_CHECK(!result.error.isEmpty());
        FUZZ_CHECK(
            QDir(root.target)
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        return 0;
    }
    for (const QString &name : result.files)
        FUZZ_CHECK(!QFileInfo(name).isAbsolute() && DriverArchive::relativePath(name) == name);
    FUZZ_CHECK(files == QSet<QString>(result.files.cbegin(), result.files.cend()));
    FUZZ_CHECK(files.size() <= limits.maxEntries);
    FUZZ_CHECK(unpacked == result.bytes && unpacked <= limits.maxBytes);
    return 0;
}
