// "Version Update" and "Revert to previous version" in the real window, on a stamped copy of
// the built program in a temporary folder, against the local stand-in of the maker's server.
#include "link/portstatusbar.h"
#include "platform/versionrecord.h"
#include "support/localwebserver.h"
#include "support/programcopy.h"
#include "support/windowfixture.h"
#include "web/versionupdate.h"
#include "web/webclient.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QString version(const QString &file)
{
    return VersionRecord::GetPropertyValue(file, u"FileVersion"_s);
}

QString offer(const QString &running, const QString &published)
{
    return u"Present Version: "_s + running + u" - A new version ("_s + published +
           u") is available. Select YES to download the new version now."_s;
}

const QString mostRecent = u"This version is the most recent!"_s;
const QString restarting = u"This application will restart after shutdown..."_s;

} // namespace

class TestVersionUpdate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<LocalWebServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        QVERIFY(!stampedProgramCopy(m_server->updateDir() + u"/korvant"_s, u"2.0.0.5"_s,
                                    m_server->baseUrl().toString())
                     .isEmpty());
    }

    void init()
    {
        f = std::make_unique<WindowFixture>();
        // The window trusts the local server through the CA file in its own config folder.
        const QString caFile = f->home.filePath(u"config/Quendrel/Korvant-ca.pem"_s);
        QVERIFY(QFile::copy(m_server->caFile(), caFile));
        m_folders = std::make_unique<Folders>();
        m_program = programCopy(u"korvant"_s, m_server->baseUrl().toString());
        m_started.clear();
        m_closed = 0;
    }

    void cleanup()
    {
        f.reset();
        m_folders.reset();
    }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("published"); // the text of korvant.ver
        QTest::addColumn<bool>("rightPress");
        QTest::addColumn<QString>("expected");
        QTest::newRow("equal") << u"2.0.0.4\r\n"_s << false << mostRecent;
        QTest::newRow("older") << u"2.0.0.3\r\n"_s << false << mostRecent;
        QTest::newRow("numeric-newer")
            << u"2.0.0.10\r\n"_s << false << offer(u"2.0.0.4"_s, u"2.0.0.10"_s);
        QTest::newRow("crlf-and-blanks")
            << u"2.0.0.5\r\n  \t "_s << false << offer(u"2.0.0.4"_s, u"2.0.0.5"_s);
        QTest::newRow("empty") << QString() << false << mostRecent;
        QTest::newRow("error-page") << u"<html>moved</html>\r\n"_s << false << mostRecent;
        QTest::newRow("forced-equal")
            << u"2.0.0.4\r\n"_s << true << offer(u"2.0.0.4"_s, u"2.0.0.4"_s);
        QTest::newRow("forced-empty") << QString() << true << offer(u"2.0.0.4"_s, QString());
    }

    void versionCheck()
    {
        QFETCH(QString, published);
        QFETCH(bool, rightPress);
        QFETCH(QString, expected);
        publishVersion(published);
        f->messages.answer = false;
        statusBar()->setPanelText(5, u"Parity-None"_s);
        if (rightPress)
            QTest::mousePress(button(u"bCheckNewVersion"_s), Qt::RightButton);
        else
            button(u"bCheckNewVersion"_s)->click();

        QCOMPARE(f->messages.texts(), QStringList{expected});
        // The offer of a new version is an information that asks, Yes the default.
        const Messages::Box &box = f->messages.boxes.first();
        if (box.asksYesNo) {
            QCOMPARE(box.kind, Messages::Kind::Information);
            QVERIFY2(!box.defaultNo, "Yes is the default");
        }
        QCOMPARE(statusBar()->panelText(5), QString());
        QCOMPARE(version(m_program), u"2.0.0.4"_s);
        QVERIFY(!QFile::exists(oldFile()));
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_closed, 0);
    }

    void otherButtonPressesDoNothing()
    {
        publishVersion(u"2.0.0.4\r\n"_s);
        QTest::mousePress(button(u"bCheckNewVersion"_s), Qt::MiddleButton);
        QVERIFY(f->messages.boxes.isEmpty());
        // A click after it checks once and says so once: had the middle press started a check,
        // its answer would have come first.
        button(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.texts(), QStringList{mostRecent});
    }

    void updateRestartThenRevertTwice()
    {
        publishVersion(u"2.0.0.5\r\n"_s);
        QStringList progress;
        connect(&f->window->webClient(), &WebClient::work, this,
                [this, &progress] { progress.append(statusBar()->panelText(5)); });

        button(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.texts(), QStringList({offer(u"2.0.0.4"_s, u"2.0.0.5"_s), restarting}));
        QCOMPARE(m_started, QStringList{m_program});
        QCOMPARE(m_closed, 1);
        QVERIFY(!QApplication::overrideCursor());
        expectVersions(u"2.0.0.5"_s, u"2.0.0.4"_s);
        expectRisingByteCounts(progress, QFileInfo(m_program).size());

        // The same window stands for the restarted program from here on.
        f->messages.boxes.clear();
        button(u"bRevertOldVersion"_s)->click();
        QCOMPARE(f->messages.texts(),
                 QStringList{u"This version is 2.0.0.5 - The previous version was 2.0.0.4\r\n Do "
                             "you want to revert to the old version?"_s});
        QVERIFY2(f->messages.boxes.first().defaultNo, "No is the default");
        QCOMPARE(m_started, QStringList({m_program, m_program}));
        QCOMPARE(m_closed, 2);
        expectVersions(u"2.0.0.4"_s, u"2.0.0.5"_s);

        button(u"bRevertOldVersion"_s)->click();
        QCOMPARE(m_closed, 3);
        expectVersions(u"2.0.0.5"_s, u"2.0.0.4"_s);
    }

    void revertAnsweredNoChangesNothing()
    {
        QVERIFY(!stampedProgramCopy(oldFile(), u"2.0.0.3"_s, {}).isEmpty());
        f->messages.answer = false;
        button(u"bRevertOldVersion"_s)->click();
        QCOMPARE(f->messages.boxes.size(), 1);
        expectVersions(u"2.0.0.4"_s, u"2.0.0.3"_s);
        QVERIFY(m_started.isEmpty());
    }

    void revertWithoutPreviousVersion_data()
    {
        QTest::addColumn<QByteArray>("oldContents"); // empty: no ".old" file
        QTest::newRow("no-old-file") << QByteArray();
        QTest::newRow("old-file-without-record") << QByteArray("not a program");
    }

    void revertWithoutPreviousVersion()
    {
        QFETCH(QByteArray, oldContents);
        if (!oldContents.isEmpty()) {
            QFile old(oldFile());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(oldContents);
        }
        button(u"bRevertOldVersion"_s)->click();
        QCOMPARE(f->messages.texts(), QStringList{u"No older version available..."_s});
        QCOMPARE(version(m_program), u"2.0.0.4"_s);
        QVERIFY(m_started.isEmpty());
    }

    void versionFileNotFound()
    {
        m_program = programCopy(u"korvant"_s, m_server->baseUrl().toString() + u"/nowhere"_s);
        statusBar()->setPanelText(5, u"Parity-None"_s);
        button(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.texts(), QStringList{u"HTTP/1.1 404 Not Found"_s});
        QCOMPARE(f->messages.boxes.first().kind, Messages::Kind::Error);
        QCOMPARE(statusBar()->panelText(5), QString());
    }

    void failedDownloadStartsNothing()
    {
        // korvant2.ver is published, the program file korvant2 is not.
        QVERIFY(QFile::remove(m_program));
        m_program = programCopy(u"korvant2"_s, m_server->baseUrl().toString());
        publishVersion(u"2.0.0.5\r\n"_s, u"korvant2.ver"_s);
        button(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.texts(),
                 QStringList({offer(u"2.0.0.4"_s, u"2.0.0.5"_s), u"HTTP/1.1 404 Not Found"_s}));
        QCOMPARE(statusBar()->panelText(5), QString());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(version(m_program), u"2.0.0.4"_s);
        QVERIFY(QFileInfo(m_program).isExecutable());
        QCOMPARE(QDir(m_folders->program.path()).entryList(QDir::Files),
                 QStringList{u"korvant2"_s});
        QVERIFY(QDir(m_folders->working.path()).isEmpty());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_closed, 0);
    }

    // The started program's file is read from /proc: the suite, which needs pseudo-terminals
    // for its port tests, runs on Linux only.
    void restartRunsTheUpdatedProgram()
    {
        publishVersion(u"2.0.0.5\r\n"_s);
        qint64 pid = 0;
        f->window->versionUpdate().setStartProgram(
            [&pid](const QString &program) { return VersionUpdate::startDetached(program, &pid); });
        button(u"bCheckNewVersion"_s)->click();
        QCOMPARE(f->messages.texts().constLast(), restarting);
        QVERIFY(pid > 0);
        const QString exe = u"/proc/%1/exe"_s.arg(pid);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(exe).symLinkTarget(), m_program, 10000);
        ::kill(pid_t(pid), SIGKILL);
        QCOMPARE(version(m_program), u"2.0.0.5"_s);
    }

private:
    struct Folders
    {
        QTemporaryDir program;
        QTemporaryDir working;
    };

    // A copy of the program at 2.0.0.4 that the window takes for itself.
    QString programCopy(const QString &name, const QString &updateUrl)
    {
        const QString copy =
            stampedProgramCopy(m_folders->program.filePath(name), u"2.0.0.4"_s, updateUrl);
        VersionUpdate &update = f->window->versionUpdate();
        update.setProgramFile(copy);
        update.setWorkingDirectory(m_folders->working.path());
        update.setStartProgram([this](const QString &program) {
            m_started.append(program);
            return true;
        });
        update.setCloseWindow([this] { ++m_closed; });
        return copy;
    }

    void publishVersion(const QString &text, const QString &name = u"korvant.ver"_s)
    {
        QVERIFY(m_server->publish(name, text.toLatin1()));
    }

    QPushButton *button(const QString &name) const { return f->control<QPushButton>(name); }
    PortStatusBar *statusBar() const { return f->window->portStatusBar(); }
    QString oldFile() const { return m_folders->program.filePath(u"korvant.old"_s); }

    void expectVersions(const QString &program, const QString &old)
    {
        QCOMPARE(version(m_program), program);
        QCOMPARE(version(oldFile()), old);
        QVERIFY(QFileInfo(m_program).isExecutable());
        QVERIFY(QFileInfo(oldFile()).isExecutable());
        QCOMPARE(QDir(m_folders->program.path()).entryList(QDir::Files),
                 QStringList({u"korvant"_s, u"korvant.old"_s}));
        QVERIFY(QDir(m_folders->working.path()).isEmpty());
    }

    static void expectRisingByteCounts(const QStringList &texts, qint64 size)
    {
        QVERIFY2(texts.size() >= 2, qPrintable(texts.join(u" | "_s)));
        qint64 last = -1;
        for (const QString &text : texts) {
            QVERIFY2(text.startsWith(u"Bytes downloaded: "_s), qPrintable(text));
            const qint64 count = text.mid(18).toLongLong();
            QVERIFY2(count > last, qPrintable(texts.join(u" | "_s)));
            last = count;
        }
        QCOMPARE(last, size);
    }

    std::unique_ptr<LocalWebServer> m_server;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<Folders> m_folders;
    QString m_program;
    QStringList m_started;
    int m_closed = 0;
};

QTEST_MAIN(TestVersionUpdate)
#include "tst_versionupdate.moc"
