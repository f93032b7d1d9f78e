// "Version Update" in the real window against a maker's server that misbehaves in every way the
// local server can stage, and onto a disk that fills up during the download. Each time: one
// box with the failure, the progress panel cleared, the normal cursor, and the program files
// exactly as they were; nothing is started and the window stays.
#include "link/portstatusbar.h"
#include "support/fulldisk.h"
#include "support/localwebserver.h"
#include "support/programcopy.h"
#include "support/rawhttpserver.h"
#include "support/windowfixture.h"
#include "web/versionupdate.h"
#include "web/webclient.h"

#include <QApplication>
#include <QCryptographicHash>

using namespace Qt::Literals::StringLiterals;

class tst_WebFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LocalWebServer> m_server;
    // Servers whose answers no real server gives, written by hand.
    RawHttpServer m_http10{
        "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>x</html>"};
    RawHttpServer m_cutShort{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n2.0.0"};
    RawHttpServer m_notHttp{"SSH-2.0-OpenSSH_9.2\r\n"};
    RawHttpServer m_endlessHeaders{"HTTP/1.1 200 OK\r\n" +
                                   QByteArray("X-Filler: 0123456789\r\n").repeated(4000)};
    RawHttpServer m_brokenChunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"};
    std::unique_ptr<WindowFixture> f;
    QTemporaryDir m_programFolder;
    QString m_program;
    QStringList m_started;
    int m_closed = 0;

    // The program at 2.0.0.4 whose record names updateUrl, taken by the window as its own.
    void useProgramCopy(const QString &updateUrl, const QString &workingFolder)
    {
        m_program =
            stampedProgramCopy(m_programFolder.filePath(u"korvant"_s), u"2.0.0.4"_s, updateUrl);
        QVERIFY(!m_program.isEmpty());
        VersionUpdate &update = f->window->versionUpdate();
        update.setProgramFile(m_program);
        update.setWorkingDirectory(workingFolder);
        update.setStartProgram([this](const QString &program) {
            m_started.append(program);
            return true;
        });
        update.setCloseWindow([this] { ++m_closed; });
    }

    // The program folder's files and a digest of each.
    QStringList programFolder() const
    {
        QStringList files;
        const QDir folder(m_programFolder.path());
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                files.append(
                    name + u' ' +
                    QString::fromLatin1(
                        QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex()));
        }
        return files;
    }

    QString under(const QUrl &base) const { return base.toString(); }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<LocalWebServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        QVERIFY(m_server->publish(u"korvant.ver"_s, "2.0.0.5\r\n"));
    }

    void init()
    {
        f = std::make_unique<WindowFixture>();
        QVERIFY(
            QFile::copy(m_server->caFile(), f->home.filePath(u"config/Quendrel/Korvant-ca.pem"_s)));
        m_started.clear();
        m_closed = 0;
    }

    void cleanup()
    {
        f.reset();
        QDir(m_programFolder.path()).removeRecursively();
        QDir().mkpath(m_programFolder.path());
    }

    void versionCheckAgainstAFaultyServer_data()
    {
        using Hook = LocalWebServer::Hook;
        using Bad = LocalWebServer::BadCertificate;
        QTest::addColumn<QString>("updateUrl");
        QTest::addColumn<QString>("said"); // the start of the one box
        QTest::newRow("not-found")
            << under(m_server->baseUrl()) + u"/nowhere"_s << u"HTTP/1.1 404 Not Found"_s;
        QTest::newRow("server-error")
            << under(m_server->hookBaseUrl(Hook::Error500)) << u"HTTP/1.1 500"_s;
        QTest::newRow("redirect") << under(m_server->hookBaseUrl(Hook::Redirect))
                                  << u"HTTP/1.1 302"_s;
        QTest::newRow("endless-body")
            << under(m_server->hookBaseUrl(Hook::Endless)) << u"The answer of "_s;
        QTest::newRow("body-stops-halfway")
            << under(m_cutShort.baseUrl()) << u"The connection ended after 5 of 100 bytes"_s;
        QTest::newRow("announces-more-than-the-cap")
            << under(m_server->hookBaseUrl(Hook::Truncated)) << u"The answer of "_s;
        QTest::newRow("body-stalls")
            << under(m_server->hookBaseUrl(Hook::Stall)) << u"Read timed out: nothing came from "_s;
        QTest::newRow("closed-without-answer")
            << under(m_server->hookBaseUrl(Hook::Close)) << u"Socket Error # "_s;
        QTest::newRow("certificate-for-another-name")
            << under(m_server->badCertificateBaseUrl(Bad::WrongHost))
            << u"Error connecting with SSL."_s;
        QTest::newRow("expired-certificate") << under(m_server->badCertificateBaseUrl(Bad::Expired))
                                             << u"Error connecting with SSL."_s;
        QTest::newRow("unknown-authority") << under(m_server->badCertificateBaseUrl(Bad::UnknownCa))
                                           << u"Error connecting with SSL."_s;
        QTest::newRow("answers-in-http-1.0")
            << under(m_http10.baseUrl()) << u"HTTP/1.0 404 Not Found"_s;
        QTest::newRow("not-http") << under(m_notHttp.baseUrl()) << u"The answer of "_s;
        QTest::newRow("headers-without-end")
            << under(m_endlessHeaders.baseUrl()) << u"The answer of "_s;
        QTest::newRow("broken-chunks") << under(m_brokenChunks.baseUrl()) << u"The answer of "_s;
        QTest::newRow("version-file-of-1MB")
            << under(m_server->baseUrl()) + u"/big"_s << u"The answer of "_s;
    }

    void versionCheckAgainstAFaultyServer()
    {
        QFETCH(QString, updateUrl);
        QFETCH(QString, said);
        QTemporaryDir working;
        useProgramCopy(updateUrl, working.path());
        if (updateUrl.endsWith(u"/big"_s)) {
            QVERIFY(QDir().mkpath(m_server->updateDir() + u"/big"_s));
            QVERIFY(m_server->publish(u"big/korvant.ver"_s, QByteArray(1024 * 1024, '9')));
        }
        f->window->webClient().setStallTimeout(1000);
        const QStringList before = programFolder();

        f->control<QAbstractButton>(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.texts().first().startsWith(said),
                 qPrintable(f->messages.texts().first()));
        QCOMPARE(f->window->portStatusBar()->panelText(5), QString());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!f->window->webClient().isBusy());
        QCOMPARE(programFolder(), before);
        QVERIFY(QDir(working.path()).isEmpty());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_closed, 0);
    }

    // A stale or wrong program file on the server: it offers one version and sends another.
    // Installed, it would replace the program silently, or be offered again at every check.
    void aProgramOfAnotherVersionThanOfferedIsRefused()
    {
        QVERIFY(QDir().mkpath(m_server->updateDir() + u"/stale"_s));
        QFile::remove(m_server->updateDir() + u"/stale/korvant"_s);
        QVERIFY(QFile::copy(m_server->updateDir() + u"/korvant"_s,
                            m_server->updateDir() + u"/stale/korvant"_s));
        QVERIFY(m_server->publish(u"stale/korvant.ver"_s, "2.0.0.7\r\n"));
        QTemporaryDir working;
        useProgramCopy(under(m_server->baseUrl()) + u"/stale"_s, working.path());
        const QStringList before = programFolder();

        f->control<QAbstractButton>(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.boxes.size(), 2); // the offer, answered Yes, then the refusal
        const QString refusal = f->messages.texts().last();
        QVERIFY2(refusal.contains(u"offered version 2.0.0.7"_s) &&
                     refusal.contains(u"it sent is version 2.0.0.4"_s),
                 qPrintable(refusal));
        QCOMPARE(programFolder(), before);
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_closed, 0);
    }

    void fullDiskDuringTheDownload()
    {
        FullDisk disk;
        useProgramCopy(m_server->baseUrl().toString(), disk.path());
        const QStringList before = programFolder();
        QVERIFY(disk.fill());

        f->control<QAbstractButton>(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.boxes.size(), 2); // the offer, answered Yes, then the failure
        QVERIFY2(f->messages.texts().last().startsWith(u"Cannot "_s),
                 qPrintable(f->messages.texts().last()));
        QVERIFY2(f->messages.texts().last().contains(FullDisk::failureText()),
                 qPrintable(f->messages.texts().last()));
        QCOMPARE(f->window->portStatusBar()->panelText(5), QString());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(programFolder(), before);
        QVERIFY(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_closed, 0);
    }
};

QTEST_MAIN(tst_WebFaults)
#include "tst_webfaults.moc"
