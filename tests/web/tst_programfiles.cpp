// The program file swap of the update and the revert, on stamped copies of the built program
// in temporary folders, with the files published by the local stand-in of the maker's server.
#include "platform/versionrecord.h"
#include "support/failuretext.h"
#include "support/localwebserver.h"
#include "support/programcopy.h"
#include "web/programfiles.h"
#include "web/webclient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

using Snapshot = QMap<QString, QByteArray>;

// Every file of a folder with its contents.
Snapshot snapshot(const QString &folder)
{
    Snapshot files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(dir.filePath(name));
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<dir>"));
    }
    return files;
}

QString version(const QString &file)
{
    return VersionRecord::GetPropertyValue(file, u"FileVersion"_s);
}

// The version of the program file the server publishes.
const QString served = u"2.0.0.5"_s;

} // namespace

class TestProgramFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<LocalWebServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        qputenv("XDG_CONFIG_HOME", m_server->configHome().toUtf8());
        QVERIFY(!stampedProgramCopy(m_server->updateDir() + u"/korvant"_s, served,
                                    m_server->baseUrl().toString())
                     .isEmpty());
        QVERIFY(m_server->publish(u"empty"_s, {}));
        QVERIFY(m_server->publish(u"not-a-program"_s, "<html>Not here</html>\n"));
    }

    void init()
    {
        m_folders = std::make_unique<Folders>();
        QVERIFY(m_folders->program.isValid() && m_folders->working.isValid());
        m_program = stampedProgramCopy(m_folders->program.filePath(u"korvant"_s), u"2.0.0.3"_s,
                                       m_server->baseUrl().toString());
        QVERIFY(!m_program.isEmpty());
    }

    void updateThenRevertTwice_data()
    {
        QTest::addColumn<bool>("workInProgramFolder");
        QTest::addColumn<bool>("earlierOld");
        QTest::newRow("elsewhere-no-earlier-old") << false << false;
        QTest::newRow("elsewhere-earlier-old-replaced") << false << true;
        QTest::newRow("in-program-folder-earlier-old-replaced") << true << true;
    }

    void updateThenRevertTwice()
    {
        QFETCH(bool, workInProgramFolder);
        QFETCH(bool, earlierOld);
        if (earlierOld)
            QVERIFY(!stampedProgramCopy(oldFile(), u"2.0.0.2"_s, {}).isEmpty());
        ProgramFiles files(m_program, workInProgramFolder ? m_folders->program.path()
                                                          : m_folders->working.path());
        WebClient web;

        QCOMPARE(files.DownLoadURL(web, m_server->url(u"korvant"_s).toString(), served),
                 u"korvant.new"_s);
        expectVersions(u"2.0.0.5"_s, u"2.0.0.3"_s);
        files.revert();
        expectVersions(u"2.0.0.3"_s, u"2.0.0.5"_s);
        files.revert();
        expectVersions(u"2.0.0.5"_s, u"2.0.0.3"_s);
    }

    void failedDownloadChangesNothing_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        // The truncating hook announces 1000000 bytes: the program file is longer than that,
        // so a smaller file stands for it there.
        const auto hook = [this](LocalWebServer::Hook kind,
                                 const QString &name = u"korvant"_s) -> QString {
            return m_server->hookBaseUrl(kind).toString() + u'/' + name;
        };
        QTest::newRow("not-found")
            << m_server->url(u"korvant.missing"_s).toString() << u"HTTP/1.1 404 Not Found"_s;
        QTest::newRow("truncated")
            << hook(LocalWebServer::Hook::Truncated, u"Korvant_PatternTable_301e.hex"_s)
            << u"The connection ended after "_s;
        QTest::newRow("closed") << hook(LocalWebServer::Hook::Close) << u"Socket Error # "_s;
        QTest::newRow("stalled") << hook(LocalWebServer::Hook::Stall) << u"Read timed out"_s;
        QTest::newRow("endless") << hook(LocalWebServer::Hook::Endless) << u"The answer of "_s;
        QTest::newRow("empty") << m_server->url(u"empty"_s).toString()
                               << u"Erreur de transmission -korvant."_s;
        QTest::newRow("not-a-program")
            << m_server->url(u"not-a-program"_s).toString()
            << u"Erreur de transmission -korvant: the file is not a Korvant program."_s;
    }

    void failedDownloadChangesNothing()
    {
        QFETCH(QString, url);
        QFETCH(QString, expected);
        QVERIFY(!stampedProgramCopy(oldFile(), u"2.0.0.2"_s, {}).isEmpty());
        const Snapshot before = snapshot(m_folders->program.path());
        ProgramFiles files(m_program, m_folders->working.path());
        files.setDownloadCap(1024 * 1024);
        WebClient web;
        web.setStallTimeout(1000);
        const QString failure = failureOf([&] { files.DownLoadURL(web, url, served); });
        QVERIFY2(failure.startsWith(expected), qPrintable(failure));
        QVERIFY(snapshot(m_folders->program.path()) == before);
        QVERIFY(snapshot(m_folders->working.path()).isEmpty());
    }

    void otherVersionThanOfferedChangesNothing_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("expected");
        QTest::newRow("newer-offered")
            << u"2.0.0.6"_s
            << u"The update was refused: the server offered version 2.0.0.6, but the program file "
               "it sent is version 2.0.0.5. The running program (2.0.0.3) is kept."_s;
        QTest::newRow("same-digits-other-text")
            << u"2.0.0.05"_s << u"the server offered version 2.0.0.05, but"_s;
        QTest::newRow("nothing-published")
            << QString()
            << u"the server published no version, but the program file it sent is "
               "version 2.0.0.5."_s;
    }

    void otherVersionThanOfferedChangesNothing()
    {
        QFETCH(QString, offered);
        QFETCH(QString, expected);
        QVERIFY(!stampedProgramCopy(oldFile(), u"2.0.0.2"_s, {}).isEmpty());
        const Snapshot before = snapshot(m_folders->program.path());
        ProgramFiles files(m_program, m_folders->working.path());
        WebClient web;
        const QString failure = failureOf(
            [&] { files.DownLoadURL(web, m_server->url(u"korvant"_s).toString(), offered); });
        QVERIFY2(failure.contains(expected), qPrintable(failure));
        QVERIFY(snapshot(m_folders->program.path()) == before);
        QVERIFY(snapshot(m_folders->working.path()).isEmpty());
    }

    void failedMoveRollsBack_data()
    {
        QTest::addColumn<int>("failingRename");
        // Renames of an update with an earlier ".old": the download into the program's folder,
        // the earlier ".old" aside, the program to ".old", the download to the program.
        QTest::newRow("download-into-program-folder") << 1;
        QTest::newRow("earlier-old-aside") << 2;
        QTest::newRow("program-to-old") << 3;
        QTest::newRow("download-to-program") << 4;
    }

    void failedMoveRollsBack()
    {
        QFETCH(int, failingRename);
        QVERIFY(!stampedProgramCopy(oldFile(), u"2.0.0.2"_s, {}).isEmpty());
        const Snapshot before = snapshot(m_folders->program.path());
        ProgramFiles files(m_program, m_folders->working.path());
        failRename(files, {failingRename});
        WebClient web;
        const QString failure = failureOf(
            [&] { files.DownLoadURL(web, m_server->url(u"korvant"_s).toString(), served); });
        QVERIFY2(failure.startsWith(u"Cannot move "_s), qPrintable(failure));
        QVERIFY(snapshot(m_folders->program.path()) == before);
        QVERIFY(snapshot(m_folders->working.path()).isEmpty());
        QVERIFY(QFileInfo(m_program).isExecutable());
    }

    void failedRevertMoveRollsBack_data()
    {
        QTest::addColumn<int>("failingRename");
        // The ".old" to the swap file, the program to ".old", the swap file to the program.
        QTest::newRow("old-to-swap") << 1;
        QTest::newRow("program-to-old") << 2;
        QTest::newRow("swap-to-program") << 3;
    }

    void failedRevertMoveRollsBack()
    {
        QFETCH(int, failingRename);
        QVERIFY(!stampedProgramCopy(oldFile(), u"2.0.0.2"_s, {}).isEmpty());
        const Snapshot before = snapshot(m_folders->program.path());
        ProgramFiles files(m_program, m_folders->working.path());
        failRename(files, {failingRename});
        const QString failure = failureOf([&] { files.revert(); });
        QVERIFY2(failure.startsWith(u"Cannot move "_s), qPrintable(failure));
        QVERIFY(snapshot(m_folders->program.path()) == before);
    }

    void rollBackThatFailsSaysWhereTheFilesAre()
    {
        ProgramFiles files(m_program, m_folders->working.path());
        // The last move fails, and so does putting the program back.
        failRename(files, {3, 4});
        WebClient web;
        const QString failure = failureOf(
            [&] { files.DownLoadURL(web, m_server->url(u"korvant"_s).toString(), served); });
        QVERIFY2(failure.contains(
                     u"could not all be put back: %1 is still at %2"_s.arg(m_program, oldFile())),
                 qPrintable(failure));
    }

    void occupiedSwapNameChangesNothing()
    {
        // A folder where the download is to land beside the program: a real failure of the
        // first step, whoever runs the test.
        QVERIFY(QDir(m_folders->program.path()).mkpath(u"korvant.new/inside"_s));
        const Snapshot before = snapshot(m_folders->program.path());
        ProgramFiles files(m_program, m_folders->working.path());
        WebClient web;
        const QString failure = failureOf(
            [&] { files.DownLoadURL(web, m_server->url(u"korvant"_s).toString(), served); });
        QVERIFY2(failure.startsWith(u"Cannot remove the leftover "_s), qPrintable(failure));
        QVERIFY(snapshot(m_folders->program.path()) == before);
        QVERIFY(snapshot(m_folders->working.path()).isEmpty());
    }

private:
    struct Folders
    {
        QTemporaryDir program;
        QTemporaryDir working;
    };

    // The renames numbered in `failing` (from 1) fail; the others are done.
    static void failRename(ProgramFiles &files, QList<int> failing)
    {
        auto count = std::make_shared<int>(0);
        files.setRename([count, failing](const QString &from, const QString &to) {
            return !failing.contains(++*count) && QFile::rename(from, to);
        });
    }

    QString oldFile() const { return m_folders->program.filePath(u"korvant.old"_s); }

    // Both files are runnable programs with the versions given, and nothing else is left.
    void expectVersions(const QString &program, const QString &old)
    {
        QCOMPARE(version(m_program), program);
        QCOMPARE(version(oldFile()), old);
        for (const QString &file : {m_program, oldFile()})
            QVERIFY2(QFileInfo(file).isExecutable(), qPrintable(file));
        QCOMPARE(snapshot(m_folders->program.path()).keys(),
                 QStringList({u"korvant"_s, u"korvant.old"_s}));
        QVERIFY(!QFile::exists(m_folders->working.filePath(u"korvant.new"_s)));
    }

    std::unique_ptr<LocalWebServer> m_server;
    std::unique_ptr<Folders> m_folders;
    QString m_program;
};

QTEST_GUILESS_MAIN(TestProgramFiles)
#include "tst_programfiles.moc"
