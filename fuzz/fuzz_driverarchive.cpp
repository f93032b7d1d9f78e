// The driver archive unpacked from any bytes, as a damaged or hostile download would be: all or
// nothing, within its caps, every file inside the target folder and no link anywhere.
#include "fuzzcheck.h"
#include "web/driverarchive.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString zip = dir.filePath(u"USBDrivers.zip"_s);
    const QString outer = dir.filePath(u"outer"_s);
    const QString target = outer + u"/target"_s;
    QDir(outer).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(target));
    {
        QFile file(zip);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
                   file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }

    const DriverArchive::Limits limits{50, 1024 * 1024};
    const DriverArchive::Result result = DriverArchive::extract(zip, target, limits);

    QSet<QString> files;
    qint64 bytes = 0;
    QDirIterator it(outer, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        FUZZ_CHECK(!entry.isSymLink());
        FUZZ_CHECK(entry.absoluteFilePath().startsWith(target + u'/') ||
                   entry.absoluteFilePath() == target);
        if (entry.isFile()) {
            files.insert(QDir(target).relativeFilePath(entry.absoluteFilePath()));
            bytes += entry.size();
        }
    }
    if (!result.ok) {
        FUZZ_CHECK(!result.error.isEmpty());
        FUZZ_CHECK(files.isEmpty());
        return 0;
    }
    FUZZ_CHECK(files == QSet<QString>(result.files.cbegin(), result.files.cend()));
    FUZZ_CHECK(files.size() <= limits.maxEntries);
    FUZZ_CHECK(bytes == result.bytes && bytes <= limits.maxBytes);
    return 0;
}
