// The driver archive unpacked all or nothing: the real archive of the local server, archives
// made here with libzip (hostile names, links, caps, sizes that lie) and damaged copies.
#include "platform/settingsstore.h"
#include "support/testfiles.h"
#include "support/zipbuilder.h"
#include "web/driverarchive.h"
#include "web/webclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(QList<ZipEntry>)

namespace {

const QString serverArchive = QStringLiteral(KORVANT_BINARY_DIR "/webroot/update/USBDrivers.zip");
const QByteArray readme = "USBDrivers/readme.txt";

// Every file and folder under root, relative, with the contents of the files.
QMap<QString, QByteArray> tree(const QString &root)
{
    QMap<QString, QByteArray> all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString relative = QDir(root).relativeFilePath(info.filePath());
        QFile file(info.filePath());
        if (info.isSymLink())
            all.insert(relative, "<link>");
        else if (info.isDir())
            all.insert(relative + u'/', {});
        else
            all.insert(relative, file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
    }
    return all;
}

} // namespace

class TestDriverArchive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // The target lies two levels down, so that a step outside it lands in the workspace.
        m_workspace = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(target()));
        m_zip = m_workspace->filePath(u"USBDrivers.zip"_s);
    }

    void serverArchiveIsUnpackedWithItsRunPermissions()
    {
        const DriverArchive::Result result = DriverArchive::extract(serverArchive, target());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.files.size(), 5);
        QVERIFY(result.files.contains(u"USBDrivers/x86/DriverInstallTool.exe"_s));
        QCOMPARE(result.bytes, 1990);
        for (const QString &arch : {u"x86"_s, u"x64"_s}) {
            const QFileInfo installer(target() + u"/USBDrivers/"_s + arch +
                                      u"/DriverInstallTool.exe"_s);
            QVERIFY(installer.isExecutable());
            QCOMPARE(
                TestFiles::read(installer.filePath()),
                TestFiles::read(QStringLiteral(KORVANT_SOURCE_DIR "/webroot/drivers/USBDrivers/") +
                                arch + u"/DriverInstallTool.exe"_s));
        }
        QVERIFY(!QFileInfo(target() + u"/USBDrivers/readme.txt"_s).isExecutable());
        expectOnlyTargetTouched();
    }

    void unpacked_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        QTest::addColumn<QStringList>("files"); // expected under the target, with contents = name
        QTest::newRow("files-without-folder-entries")
            << QList<ZipEntry>{zipFile("a/b/c.txt", "a/b/c.txt"), zipFile("d/e.txt", "d/e.txt")}
            << QStringList{u"a/b/c.txt"_s, u"d/e.txt"_s};
        QTest::newRow("backslash-folders")
            << QList<ZipEntry>{zipFile("USBDrivers\\x86\\tool", "USBDrivers/x86/tool")}
            << QStringList{u"USBDrivers/x86/tool"_s};
        QTest::newRow("dot-steps-and-double-slashes")
            << QList<ZipEntry>{zipFile("./a//./b.txt", "a/b.txt")} << QStringList{u"a/b.txt"_s};
        QTest::newRow("dots-inside-names")
            << QList<ZipEntry>{zipFile("a..b/..c", "a..b/..c"), zipFile(".../...", ".../...")}
            << QStringList{u"a..b/..c"_s, u".../..."_s};
        QTest::newRow("empty-folder-only") << QList<ZipEntry>{zipFolder("empty")} << QStringList{};
    }

    void unpacked()
    {
        QFETCH(QList<ZipEntry>, entries);
        QFETCH(QStringList, files);
        QVERIFY(writeZip(m_zip, entries));
        const DriverArchive::Result result = DriverArchive::extract(m_zip, target());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.files, files);
        for (const QString &file : files)
            QCOMPARE(TestFiles::read(target() + u'/' + file), file.toUtf8());
        expectOnlyTargetTouched();
    }

    void relativePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path"); // empty: refused
        QTest::newRow("plain") << u"USBDrivers/x86/DriverInstallTool.exe"_s
                               << u"USBDrivers/x86/DriverInstallTool.exe"_s;
        QTest::newRow("backslashes") << u"USBDrivers\\x64\\a.inf"_s << u"USBDrivers/x64/a.inf"_s;
        QTest::newRow("folder") << u"USBDrivers/"_s << u"USBDrivers"_s;
        QTest::newRow("dot-steps") << u"./a/./b"_s << u"a/b"_s;
        QTest::newRow("dot-dot") << u"a/../b"_s << QString();
        QTest::newRow("absolute") << u"/etc/passwd"_s << QString();
        QTest::newRow("unc-path") << u"\\\\server\\share\\x"_s << QString();
        QTest::newRow("drive") << u"c:\\x"_s << QString();
        QTest::newRow("stream") << u"a.txt:hidden"_s << QString();
        QTest::newRow("control-character") << u"a\u0001b"_s << QString();
        QTest::newRow("only-dots") << u"./."_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void relativePath()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QString reason;
        QCOMPARE(DriverArchive::relativePath(name, &reason), path);
        QCOMPARE(reason.isEmpty(), !path.isEmpty());
    }

    void existingFilesAreReplacedOthersKept()
    {
        writeInTarget(u"USBDrivers/readme.txt"_s, "old text");
        writeInTarget(u"USBDrivers/mine.txt"_s, "the user's own");
        const DriverArchive::Result result = DriverArchive::extract(serverArchive, target());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(TestFiles::read(target() + u"/USBDrivers/readme.txt"_s),
                 TestFiles::read(
                     QStringLiteral(KORVANT_SOURCE_DIR "/webroot/drivers/USBDrivers/readme.txt")));
        QCOMPARE(TestFiles::read(target() + u"/USBDrivers/mine.txt"_s),
                 QByteArray("the user's own"));
        expectOnlyTargetTouched();
    }

    void refused_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        QTest::addColumn<QString>("reason");
        // A harmless entry first: it must not stay behind when a later one is refused.
        const ZipEntry first = zipFile(readme, "first");
        const auto row = [&](const char *name, const ZipEntry &hostile, const QString &reason) {
            QTest::newRow(name) << QList<ZipEntry>{first, hostile} << reason;
        };
        const QString outside = u"would be written outside the folder"_s;
        row("dot-dot", zipFile("../x", "x"), u"the entry '../x' "_s + outside);
        row("dot-dot-deeper", zipFile("USBDrivers/../../x", "x"), outside);
        row("dot-dot-folder", zipFolder("../evil"), outside);
        row("backslash-dot-dot", zipFile("..\\x", "x"), u"the entry '..\\x' "_s + outside);
        row("backslash-dot-dot-deeper", zipFile("USBDrivers\\..\\..\\x", "x"), outside);
        row("absolute", zipFile("/tmp/korvant-absolute-entry", "x"), u"is an absolute path"_s);
        row("absolute-backslash", zipFile("\\x", "x"), u"is an absolute path"_s);
        row("drive-letter", zipFile("C:/x", "x"), u"names a drive or a stream"_s);
        row("drive-relative", zipFile("C:x", "x"), u"names a drive or a stream"_s);
        row("symbolic-link", zipFile("USBDrivers/link", "/etc/passwd", 0120777),
            u"the entry 'USBDrivers/link' is a link"_s);
        row("fifo", zipFile("fifo", {}, 0010644), u"is a special file"_s);
        row("device", zipFile("dev", {}, 0060644), u"is a special file"_s);
        row("socket", zipFile("sock", {}, 0140644), u"is a special file"_s);
        row("folder-with-data", zipFile("folder/", "data", 0040755),
            u"is a folder that holds data"_s);

        QList<ZipEntry> many{first};
        for (int i = 0; i < DriverArchive::MaxEntries; ++i)
            many.append(zipFile(QByteArray("f") + QByteArray::number(i), "x"));
        QTest::newRow("more-entries-than-the-cap")
            << many << u"it holds 2001 entries, more than 2000"_s;
        QTest::newRow("file-and-folder-of-one-name")
            << QList<ZipEntry>{first, zipFile("a", "x"), zipFile("a/b", "y")} << u"cannot make"_s;
    }

    void refused()
    {
        QFETCH(QList<ZipEntry>, entries);
        QFETCH(QString, reason);
        QVERIFY(writeZip(m_zip, entries));
        expectRefused(DriverArchive::extract(m_zip, target()), reason);
        QVERIFY(!QFileInfo::exists(u"/tmp/korvant-absolute-entry"_s));
    }

    // The program's own files, whatever the folder: the names formed from the program's name in
    // any letter case, the program, the settings and the CA file by their paths.
    void ownFilesAreNeverWritten_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        QTest::addColumn<QString>("reason");
        const ZipEntry first = zipFile(readme, "first");
        const auto row = [&](const char *name, const ZipEntry &hostile, const QString &reason) {
            QTest::newRow(name) << QList<ZipEntry>{first, hostile} << reason;
        };
        const QString own = u"would replace one of the program's own files"_s;
        row("program-at-the-top", zipFile("korvant", "13 bytes of hex"),
            u"the entry 'korvant' "_s + own);
        row("program-in-a-folder", zipFile("USBDrivers/korvant", "x"), own);
        row("version-file", zipFile("USBDrivers/korvant.ver", "9.9.9.9"), own);
        row("old-program-in-upper-case", zipFile("KORVANT.OLD", "x"), own);
        row("folder-named-like-the-program", zipFolder("korvant.new/"), own);
        row("renamed-program", zipFile("USBDrivers/station", "x"), own);
        row("renamed-program-list", zipFile("USBDrivers/Station.hls", "x"), own);
        row("settings", zipFile("config/Quendrel/Korvant.json", "{}"), own);
        // Not a name formed from the program's: refused by its path.
        row("ca-file", zipFile("config/Quendrel/Korvant-ca.pem", "x"),
            u"/work/folder/config/Quendrel/Korvant-ca.pem)"_s);
        row("file-at-the-top", zipFile("d.txt", "x"),
            u"the entry 'd.txt' lies outside the archive's folders"_s);
        row("file-at-the-top-behind-dot-steps", zipFile("./x/../d.txt", "x"),
            u"would be written outside the folder"_s);
    }

    void ownFilesAreNeverWritten()
    {
        QFETCH(QList<ZipEntry>, entries);
        QFETCH(QString, reason);
        QVERIFY(writeZip(m_zip, entries));
        DriverArchive::OwnFiles own;
        own.programFile = target() + u"/station"_s;
        own.files = {target() + u"/config/Quendrel/Korvant.json"_s,
                     target() + u"/config/Quendrel/Korvant-ca.pem"_s};
        expectRefused(DriverArchive::extract(m_zip, target(), {}, own), reason);
    }

    void ownFilesOfThisProgramByDefault()
    {
        const DriverArchive::OwnFiles own = DriverArchive::OwnFiles::of();
        QCOMPARE(own.programFile, QCoreApplication::applicationFilePath());
        QCOMPARE(own.files, QStringList({SettingsStore::defaultPath(), WebClient::caFile()}));
        QCOMPARE(DriverArchive::OwnFiles::of(u"/x/korvant"_s).programFile, u"/x/korvant"_s);
    }

    // A link the target already holds is never followed, wherever it lies on the way.
    void linksInTheTargetAreNotFollowed_data()
    {
        QTest::addColumn<QString>("link"); // in the target, to a folder or file elsewhere
        QTest::addColumn<bool>("toFolder");
        QTest::newRow("top-folder") << u"USBDrivers"_s << true;
        QTest::newRow("inner-folder") << u"USBDrivers/x86"_s << true;
        QTest::newRow("file") << u"USBDrivers/readme.txt"_s << false;
        QTest::newRow("dangling") << u"USBDrivers/x64"_s << false;
    }

    void linksInTheTargetAreNotFollowed()
    {
        QFETCH(QString, link);
        QFETCH(bool, toFolder);
        QTemporaryDir elsewhere;
        QString pointsTo = elsewhere.filePath(u"kept.txt"_s);
        if (toFolder) {
            pointsTo = elsewhere.path();
            writeIn(elsewhere.filePath(u"kept.txt"_s), "kept");
        } else if (QTest::currentDataTag() != QByteArray("dangling")) {
            writeIn(pointsTo, "kept");
        }
        QVERIFY(QDir().mkpath(QFileInfo(target() + u'/' + link).absolutePath()));
        QVERIFY(QFile::link(pointsTo, target() + u'/' + link));
        const auto before = tree(target());
        const auto outside = tree(elsewhere.path());

        const DriverArchive::Result result = DriverArchive::extract(serverArchive, target());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(link + u" is a link here; nothing is unpacked through"_s),
                 qPrintable(result.error));
        QVERIFY(result.files.isEmpty());
        QCOMPARE(tree(target()), before);
        QCOMPARE(tree(elsewhere.path()), outside);
    }

    void declaredSizeThatLies_data()
    {
        QTest::addColumn<quint32>("declared");
        QTest::addColumn<QString>("reason");
        // 100000 zero bytes compress to almost nothing.
        QTest::newRow("smaller-than-the-data")
            << quint32(1000) << u"the entry 'big' holds more data than it declares"_s;
        QTest::newRow("larger-than-the-data") << quint32(200000) << u"the entry 'big' is damaged"_s;
        QTest::newRow("over-the-cap")
            << quint32(600 * 1024 * 1024) << u"its files would take more than 512 MiB"_s;
    }

    void declaredSizeThatLies()
    {
        QFETCH(quint32, declared);
        QFETCH(QString, reason);
        QVERIFY(writeZip(m_zip, {zipFile(readme, "first"), zipFile("big", QByteArray(100000, 0))}));
        QVERIFY(patchDeclaredSize(m_zip, "big", declared));
        expectRefused(DriverArchive::extract(m_zip, target()), reason);
    }

    void byteCapCountsAllEntries()
    {
        QVERIFY(writeZip(
            m_zip, {zipFile("f/a", QByteArray(600, 'a')), zipFile("f/b", QByteArray(600, 'b'))}));
        const DriverArchive::Limits limits{DriverArchive::MaxEntries, 1000};
        expectRefused(DriverArchive::extract(m_zip, target(), limits),
                      u"its files would take more than 1000 bytes"_s);
        const DriverArchive::Limits enough{DriverArchive::MaxEntries, 1200};
        QVERIFY(DriverArchive::extract(m_zip, target(), enough).ok);
    }

    void notAnArchive_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QString>("error");
        QTest::newRow("error-page") << QByteArray("<html><body>404 Not Found</body></html>\n")
                                    << u"Cannot unpack USBDrivers.zip: Not a zip archive."_s;
        QTest::newRow("empty-file") << QByteArray("") << u"Cannot unpack USBDrivers.zip: "_s;
        QTest::newRow("cut-short")
            << TestFiles::read(serverArchive).left(1500) << u"Cannot unpack USBDrivers.zip: "_s;
    }

    void notAnArchive()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        QFile file(m_zip);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        const DriverArchive::Result result = DriverArchive::extract(m_zip, target());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith(error), qPrintable(result.error));
        QVERIFY(tree(target()).isEmpty());
    }

    void missingArchiveOrFolder()
    {
        QVERIFY(!DriverArchive::extract(m_zip, target()).ok);
        const DriverArchive::Result result =
            DriverArchive::extract(serverArchive, target() + u"/nowhere"_s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u"does not exist"_s), qPrintable(result.error));
    }

    void conflictWithTheFolderChangesNothing_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("folder-where-the-archive-has-a-file")
            << u"USBDrivers/x86/DriverInstallTool.exe"_s << true;
        QTest::newRow("file-where-the-archive-has-a-folder") << u"USBDrivers/x64"_s << false;
    }

    void conflictWithTheFolderChangesNothing()
    {
        QFETCH(QString, existing);
        QFETCH(bool, asFolder);
        writeInTarget(u"USBDrivers/readme.txt"_s, "old text");
        if (asFolder)
            QVERIFY(QDir().mkpath(target() + u'/' + existing));
        else
            writeInTarget(existing, "a file");
        const auto before = tree(target());
        const DriverArchive::Result result = DriverArchive::extract(serverArchive, target());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(existing), qPrintable(result.error));
        QCOMPARE(tree(target()), before);
    }

    // Damaged copies of a good archive: whatever libzip makes of them, either all of it is
    // unpacked or nothing, and never anything outside the target.
    void damagedCopiesUnpackAllOrNothing()
    {
        const QByteArray good = TestFiles::read(serverArchive);
        QVERIFY(!good.isEmpty());
        QRandomGenerator random(20261209);
        int refused = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = good;
            const int flips = 1 + int(random.bounded(4));
            for (int i = 0; i < flips; ++i)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            QFile file(m_zip);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damaged);
            file.close();
            QVERIFY(QDir(target()).removeRecursively() && QDir().mkpath(target()));
            const DriverArchive::Result result = DriverArchive::extract(m_zip, target());
            if (result.ok) {
                const auto unpacked = tree(target());
                for (auto it = unpacked.cbegin(); it != unpacked.cend(); ++it)
                    QVERIFY(it.key().endsWith(u'/') || result.files.contains(it.key()));
            } else {
                ++refused;
                QVERIFY2(tree(target()).isEmpty(), qPrintable(result.error));
            }
            expectOnlyTargetTouched();
        }
        QVERIFY(refused > 0);
    }

private:
    QString target() const { return m_workspace->filePath(u"work/folder"_s); }

    void writeInTarget(const QString &relative, const QByteArray &contents)
    {
        writeIn(target() + u'/' + relative, contents);
    }

    static void writeIn(const QString &path, const QByteArray &contents)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    // Only the archive beside the work folder, and nothing left of the temporary folder.
    void expectOnlyTargetTouched()
    {
        const auto entries = [](const QString &folder) {
            return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                          QDir::NoDotAndDotDot);
        };
        QStringList expected{u"work"_s};
        if (QFileInfo::exists(m_zip))
            expected.prepend(u"USBDrivers.zip"_s);
        QCOMPARE(entries(m_workspace->path()), expected);
        QCOMPARE(entries(m_workspace->filePath(u"work"_s)), QStringList{u"folder"_s});
        for (const QString &name : entries(target()))
            QVERIFY2(!name.startsWith(u".unpacking"_s), qPrintable(name));
    }

    void expectRefused(const DriverArchive::Result &result, const QString &reason)
    {
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith(u"Cannot unpack USBDrivers.zip: "_s),
                 qPrintable(result.error));
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
        QVERIFY(result.files.isEmpty());
        QCOMPARE(tree(target()), (QMap<QString, QByteArray>()));
        expectOnlyTargetTouched();
    }

    std::unique_ptr<QTemporaryDir> m_workspace;
    QString m_zip;
};

QTEST_GUILESS_MAIN(TestDriverArchive)
#include "tst_driverarchive.moc"
