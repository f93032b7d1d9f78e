// The USB Drivers and ReadME pages and the logo in the real window, against the local stand-in
// of the maker's server, with a stamped copy of the program in a folder of its own and the
// desktop's browser and program start recorded.
#include "admin/readmepage.h"
#include "admin/usbdriverspage.h"
#include "link/portstatusbar.h"
#include "support/desktoprecorder.h"
#include "support/fulldisk.h"
#include "support/localwebserver.h"
#include "support/programcopy.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "support/zipbuilder.h"
#include "ui/desktop.h"
#include "web/servernames.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <memory>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(QList<ZipEntry>)

namespace {

const QString downloaded =
    u"File  has been downloaded... Select your Operating System to install the driver."_s;
const QString installer86 = u"USBDrivers/x86/DriverInstallTool.exe"_s;
const QString installer64 = u"USBDrivers/x64/DriverInstallTool.exe"_s;
const QByteArray script = "#!/bin/sh\necho installed >> DriverInstallTool.log\n";

bool writeFile(const QString &path, const QByteArray &contents, bool runnable = true)
{
    if (!TestFiles::write(path, contents))
        return false;
    return !runnable ||
           QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

class TestUsbDriversPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<LocalWebServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        m_archive = TestFiles::read(m_server->updateDir() + u"/USBDrivers.zip"_s);
        QVERIFY(!m_archive.isEmpty());
        m_startFolder = QDir::currentPath();
    }

    void init()
    {
        QVERIFY(m_server->publish(u"USBDrivers.zip"_s, m_archive));
        f = std::make_unique<WindowFixture>();
        QVERIFY(
            QFile::copy(m_server->caFile(), f->home.filePath(u"config/Quendrel/Korvant-ca.pem"_s)));
        m_desktop = std::make_unique<DesktopRecorder>();
        m_folders = std::make_unique<Folders>();
        useProgram(m_server->baseUrl().toString());
        // Started normally, the program's folder is the working directory.
        page().setWorkingDirectory(programFolder());
    }

    void cleanup()
    {
        QDir::setCurrent(m_startFolder);
        f.reset();
        m_desktop.reset();
        m_folders.reset();
    }

    void captionsAndStartState_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("download") << u"bbDownloadDriver"_s
                                  << u"korvantDrivers.zip- x86 / x64  (Windows XP - Windows 10)"_s
                                  << true;
        QTest::newRow("install-x86")
            << u"bbInstallDrivers86"_s << u"x86 (Windows XP 32 bit)"_s << false;
        QTest::newRow("install-x64")
            << u"bbInstallDrivers64"_s << u"x64 (Windows 7,8 10 - 64 bits)"_s << false;
        QTest::newRow("test-connect") << u"bConnectTest"_s << u"&Connect"_s << true;
        QTest::newRow("download-label")
            << u"StaticText25"_s << u"Download Drivrs from Korvant Web Site (zip file)"_s << true;
        QTest::newRow("install-label")
            << u"StaticText26"_s << u"Install drivers directly from this application "_s << true;
        QTest::newRow("test-label") << u"StaticText27"_s << u"HTTP or HTTPS get "_s << true;
        QTest::newRow("web-site") << u"bbWebSite"_s << u"&Visit the Korvant® Web site"_s << true;
        QTest::newRow("manual") << u"bbPdfManual"_s << u"&Instruction Manual (PDF)"_s << true;
        QTest::newRow("quick-start-heading") << u"StaticText6"_s << u"Quick Start Guide"_s << true;
        QTest::newRow("version-label") << u"StaticText20"_s << u"Full version info: "_s << true;
    }

    void captionsAndStartState()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QWidget *control = f->control<QWidget>(name);
        QVERIFY(control);
        if (auto *b = qobject_cast<QAbstractButton *>(control))
            QCOMPARE(b->text(), caption);
        else
            QCOMPARE(qobject_cast<QLabel *>(control)->text(), caption);
        QCOMPARE(control->isEnabled(), enabled);
        QCOMPARE(f->window->pageControl3()->tabText(TfKorvant::AdminUSB), u"USB Drivers"_s);
        QVERIFY(f->control<QLineEdit>(u"eTestHTTP"_s)->text().isEmpty());
        QVERIFY(f->control<QPlainTextEdit>(u"mMemoTest"_s)->isReadOnly());
    }

    void downloadUnpacksAndDeletesTheArchive()
    {
        click(u"bbDownloadDriver"_s);
        QCOMPARE(f->messages.texts(), QStringList{downloaded});
        QCOMPARE(f->messages.boxes.first().kind, Messages::Kind::Information);
        for (const QString &installer : {installer86, installer64}) {
            QVERIFY(QFileInfo(inProgramFolder(installer)).isExecutable());
            QCOMPARE(TestFiles::read(inProgramFolder(installer)),
                     TestFiles::read(QStringLiteral(KORVANT_SOURCE_DIR "/webroot/drivers/") +
                                     installer));
        }
        QCOMPARE(entries(programFolder()), QStringList({u"USBDrivers"_s, u"korvant"_s}));
        QVERIFY(button(u"bbInstallDrivers86"_s)->isEnabled());
        QVERIFY(button(u"bbInstallDrivers64"_s)->isEnabled());
        QVERIFY(button(u"bbDownloadDriver"_s)->isEnabled());
        QCOMPARE(f->window->portStatusBar()->panelText(5),
                 u"Bytes downloaded: %1"_s.arg(m_archive.size()));
        QVERIFY(!QApplication::overrideCursor());
    }

    void anotherWorkingDirectory()
    {
        page().setWorkingDirectory(m_folders->working);
        click(u"bbDownloadDriver"_s);
        QCOMPARE(f->messages.texts(), QStringList{downloaded});
        QVERIFY(QFileInfo(m_folders->working + u"/"_s + installer86).isFile());
        QCOMPARE(entries(m_folders->working), QStringList{u"USBDrivers"_s});
        // The install buttons look under the program's folder, where nothing came.
        QCOMPARE(entries(programFolder()), QStringList{u"korvant"_s});
        QVERIFY(!button(u"bbInstallDrivers86"_s)->isEnabled());
        QVERIFY(!button(u"bbInstallDrivers64"_s)->isEnabled());
    }

    void downloadWithOneInstaller_data()
    {
        QTest::addColumn<QString>("installer");
        QTest::newRow("x86-only") << installer86;
        QTest::newRow("x64-only") << installer64;
    }

    void downloadWithOneInstaller()
    {
        QFETCH(QString, installer);
        publishArchive({zipFile(installer.toUtf8(), script, 0100755)});
        click(u"bbDownloadDriver"_s);
        QCOMPARE(f->messages.texts(), QStringList{downloaded});
        QCOMPARE(button(u"bbInstallDrivers86"_s)->isEnabled(), installer == installer86);
        QCOMPARE(button(u"bbInstallDrivers64"_s)->isEnabled(), installer == installer64);
        // Shown again, the page wants both.
        showUsbPage();
        QVERIFY(!button(u"bbInstallDrivers86"_s)->isEnabled());
        QVERIFY(!button(u"bbInstallDrivers64"_s)->isEnabled());
    }

    void pageShownFollowsTheInstallers_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("both") << QStringList{installer86, installer64} << true;
        QTest::newRow("x86-only") << QStringList{installer86} << false;
        QTest::newRow("x64-only") << QStringList{installer64} << false;
        QTest::newRow("none") << QStringList{} << false;
    }

    void pageShownFollowsTheInstallers()
    {
        QFETCH(QStringList, present);
        QFETCH(bool, enabled);
        for (const QString &installer : present)
            QVERIFY(writeFile(inProgramFolder(installer), script));
        showUsbPage();
        QCOMPARE(button(u"bbInstallDrivers86"_s)->isEnabled(), enabled);
        QCOMPARE(button(u"bbInstallDrivers64"_s)->isEnabled(), enabled);
        // The same page on another visit follows the files again.
        QVERIFY(QDir(inProgramFolder(u"USBDrivers"_s)).removeRecursively());
        f->window->pageControl3()->setCurrentIndex(TfKorvant::AdminReadMe);
        f->window->pageControl3()->setCurrentIndex(TfKorvant::AdminUSB);
        QVERIFY(!button(u"bbInstallDrivers86"_s)->isEnabled());
    }

    void failedDownloadChangesNothing_data()
    {
        QTest::addColumn<QString>("updateUrl");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("earlierArchive"); // already in the working directory
        const QString base = m_server->baseUrl().toString();
        QTest::newRow("not-found")
            << base + u"/nowhere"_s << u"HTTP/1.1 404 Not Found"_s << QByteArray();
        QTest::newRow("server-error")
            << m_server->hookBaseUrl(LocalWebServer::Hook::Error500).toString()
            << u"HTTP/1.1 500 Internal Server Error"_s << QByteArray();
        QTest::newRow("cut-short-keeps-the-earlier-archive")
            << m_server->hookBaseUrl(LocalWebServer::Hook::Truncated).toString()
            << u"The connection ended after"_s << QByteArray("an earlier download");
        QTest::newRow("no-update-address")
            << QString() << u"This program file names no update address."_s << QByteArray();
    }

    void failedDownloadChangesNothing()
    {
        QFETCH(QString, updateUrl);
        QFETCH(QString, error);
        QFETCH(QByteArray, earlierArchive);
        useProgram(updateUrl);
        page().setWorkingDirectory(m_folders->working);
        if (!earlierArchive.isEmpty())
            QVERIFY(writeFile(m_folders->working + u"/USBDrivers.zip"_s, earlierArchive));
        click(u"bbDownloadDriver"_s);
        QCOMPARE(f->messages.boxes.size(), 1);
        QCOMPARE(f->messages.boxes.first().kind, Messages::Kind::Error);
        QVERIFY2(f->messages.texts().first().startsWith(error),
                 qPrintable(f->messages.texts().first()));
        if (earlierArchive.isEmpty()) {
            QVERIFY(entries(m_folders->working).isEmpty());
        } else {
            QCOMPARE(entries(m_folders->working), QStringList{u"USBDrivers.zip"_s});
            QCOMPARE(TestFiles::read(m_folders->working + u"/USBDrivers.zip"_s), earlierArchive);
        }
        QVERIFY(!button(u"bbInstallDrivers86"_s)->isEnabled());
        QVERIFY(button(u"bbDownloadDriver"_s)->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    // A 2 KiB archive fits in the save buffer: the write that fails is the last flush.
    void fullDiskKeepsTheEarlierArchive()
    {
        FullDisk disk;
        const QByteArray earlier = "an earlier archive";
        QVERIFY(writeFile(disk.path() + u"/USBDrivers.zip"_s, earlier));
        QVERIFY(disk.fill());
        page().setWorkingDirectory(disk.path());
        click(u"bbDownloadDriver"_s);
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.texts().first().startsWith(u"Cannot write "_s),
                 qPrintable(f->messages.texts().first()));
        QVERIFY2(f->messages.texts().first().contains(FullDisk::failureText()),
                 qPrintable(f->messages.texts().first()));
        QCOMPARE(entries(disk.path()), QStringList{u"USBDrivers.zip"_s});
        QCOMPARE(TestFiles::read(disk.path() + u"/USBDrivers.zip"_s), earlier);
        QVERIFY(!button(u"bbInstallDrivers86"_s)->isEnabled());
    }

    void archiveThatCannotBeUnpackedIsKept_data()
    {
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<QString>("error");
        QTest::newRow("error-page-as-archive")
            << QByteArray("<html><body>Moved</body></html>\n")
            << u"Cannot unpack USBDrivers.zip: Not a zip archive."_s;
        QTest::newRow("entry-outside-the-folder")
            << zipBytes({zipFile(installer86.toUtf8(), script, 0100755), zipFile("../x", "x")})
            << u"Cannot unpack USBDrivers.zip: the entry '../x' would be written outside the folder."_s;
        QTest::newRow("symbolic-link")
            << zipBytes({zipFile(installer86.toUtf8(), "/bin/sh", 0120777)})
            << u"Cannot unpack USBDrivers.zip: the entry '%1' is a link."_s.arg(installer86);
    }

    void archiveThatCannotBeUnpackedIsKept()
    {
        QFETCH(QByteArray, served);
        QFETCH(QString, error);
        QVERIFY(m_server->publish(u"USBDrivers.zip"_s, served));
        click(u"bbDownloadDriver"_s);
        QCOMPARE(f->messages.texts(), QStringList({downloaded, error}));
        QCOMPARE(f->messages.boxes.last().kind, Messages::Kind::Error);
        QCOMPARE(entries(programFolder()), QStringList({u"USBDrivers.zip"_s, u"korvant"_s}));
        QCOMPARE(TestFiles::read(inProgramFolder(u"USBDrivers.zip"_s)), served);
        QCOMPARE(entries(m_folders->root.path()), QStringList({u"program"_s, u"working"_s}));
        QVERIFY(!button(u"bbInstallDrivers86"_s)->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void installStartsTheInstallerInItsFolder_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("installer");
        QTest::newRow("x86") << u"bbInstallDrivers86"_s << installer86;
        QTest::newRow("x64") << u"bbInstallDrivers64"_s << installer64;
    }

    void installStartsTheInstallerInItsFolder()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, installer);
        click(u"bbDownloadDriver"_s);
        // The program works elsewhere; the installer still starts in its own folder.
        QDir::setCurrent(m_folders->working);
        click(buttonName);
        const QString program = inProgramFolder(installer);
        QCOMPARE(m_desktop->started,
                 (QList<QPair<QString, QString>>{{program, QFileInfo(program).absolutePath()}}));
        QCOMPARE(f->messages.texts(), QStringList{downloaded});
    }

    void installerRunsForReal()
    {
        click(u"bbDownloadDriver"_s);
        Desktop::setStarter({});
        click(u"bbInstallDrivers64"_s);
        const QString folder = inProgramFolder(u"USBDrivers/x64"_s);
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(folder + u"/DriverInstallTool.log"_s),
                                  u"x64 installer ran in %1\n"_s.arg(folder).toUtf8(), 10000);
        QCOMPARE(f->messages.texts(), QStringList{downloaded});
    }

    void installerThatCannotRun_data()
    {
        QTest::addColumn<bool>("runnable");
        QTest::addColumn<bool>("startSucceeds");
        QTest::newRow("not-runnable") << false << true;
        QTest::newRow("start-fails") << true << false;
    }

    void installerThatCannotRun()
    {
        QFETCH(bool, runnable);
        QFETCH(bool, startSucceeds);
        QVERIFY(writeFile(inProgramFolder(installer86), "MZ a Windows program", runnable));
        QVERIFY(writeFile(inProgramFolder(installer64), "MZ a Windows program", runnable));
        showUsbPage();
        m_desktop->startSucceeds = startSucceeds;
        click(u"bbInstallDrivers86"_s);
        QCOMPARE(f->messages.texts(),
                 QStringList{u"%1 cannot be started: it is not a program for this system."_s.arg(
                     inProgramFolder(installer86))});
        QCOMPARE(f->messages.boxes.first().kind, Messages::Kind::Warning);
        QCOMPARE(m_desktop->started.size(), runnable ? 1 : 0);
    }

    void httpTest_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("body");  // in mMemoTest
        QTest::addColumn<QString>("error"); // empty: none
        QTest::newRow("version-file") << m_server->url(u"korvant.ver"_s).toString()
                                      << QStringLiteral(KORVANT_EXPECTED_VERSION) << QString();
        QTest::newRow("site-page") << m_server->siteUrl().toString() + u"/homeTesk.htm"_s
                                   << u"<h1>Korvant home</h1>"_s << QString();
        QTest::newRow("empty-address")
            << QString() << QString() << u"'' is not a web address (http or https)."_s;
        QTest::newRow("not-found") << m_server->url(u"nothing.txt"_s).toString() << QString()
                                   << u"HTTP/1.1 404 Not Found"_s;
    }

    void httpTest()
    {
        QFETCH(QString, address);
        QFETCH(QString, body);
        QFETCH(QString, error);
        auto *memo = f->control<QPlainTextEdit>(u"mMemoTest"_s);
        memo->setPlainText(u"an earlier answer"_s);
        f->control<QLineEdit>(u"eTestHTTP"_s)->setText(address);
        click(u"bConnectTest"_s);
        if (error.isEmpty()) {
            QVERIFY(f->messages.boxes.isEmpty());
            QVERIFY2(memo->toPlainText().contains(body), qPrintable(memo->toPlainText()));
        } else {
            QCOMPARE(f->messages.texts(), QStringList{error});
            QCOMPARE(memo->toPlainText(), QString());
        }
        QVERIFY(!QApplication::overrideCursor());
    }

    void linksOpenTheirAddresses_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("button"); // Qt::MouseButton; left = a click
        QTest::addColumn<QString>("opened");
        const QString site = QStringLiteral(KORVANT_WEB_SITE);
        QTest::newRow("web-site-click")
            << u"bbWebSite"_s << int(Qt::LeftButton) << ServerNames::webSiteRoot(site);
        QTest::newRow("web-site-right-press")
            << u"bbWebSite"_s << int(Qt::RightButton) << ServerNames::homePageAddress(site);
        QTest::newRow("web-site-middle-press")
            << u"bbWebSite"_s << int(Qt::MiddleButton) << QString();
        QTest::newRow("manual") << u"bbPdfManual"_s << int(Qt::LeftButton)
                                << ServerNames::manualAddress(site);
        QTest::newRow("logo") << u"Image1"_s << int(Qt::LeftButton)
                              << ServerNames::webSiteRoot(site);
        QTest::newRow("logo-right-press") << u"Image1"_s << int(Qt::RightButton) << QString();
    }

    void linksOpenTheirAddresses()
    {
        QFETCH(QString, control);
        QFETCH(int, button);
        QFETCH(QString, opened);
        f->window->show();
        QWidget *widget = f->control<QWidget>(control);
        QTest::mouseClick(widget, Qt::MouseButton(button));
        QCOMPARE(m_desktop->openedAddresses(),
                 opened.isEmpty() ? QStringList() : QStringList{opened});
        QVERIFY(f->messages.boxes.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    void logoNamesTheWebSite()
    {
        auto *logo = f->control<QLabel>(u"Image1"_s);
        QVERIFY(logo->toolTip().contains(QUrl(QStringLiteral(KORVANT_WEB_SITE)).authority()));
        QCOMPARE(logo->cursor().shape(), Qt::WhatsThisCursor);
    }

    void readMeTellsWhatANewUserNeeds_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::newRow("styles") << u"Admin › Appearance"_s;
        QTest::newRow("styles-may-not-show-the-link-page")
            << u"may not show the Link page correctly"_s;
        QTest::newRow("firmware-301c") << u"301c"_s;
        QTest::newRow("firmware-301d-301e") << u"301d and 301e"_s;
        QTest::newRow("converter") << u"USB/UART converter with TTL levels"_s;
        QTest::newRow("settings") << u"Settings"_s;
        QTest::newRow("memos-turn-yellow") << u"memo windows turn yellow"_s;
        QTest::newRow("hex-list-needs-internet") << u"Internet connection"_s;
        QTest::newRow("dialout") << u"dialout"_s;
        QTest::newRow("boot-loader-mode") << u"Bootloader Mode"_s;
        QTest::newRow("upload-time") << u"45 seconds to over 2 minutes"_s;
        QTest::newRow("boot-loader-protected") << u"boot loader mode can always be entered again"_s;
        QTest::newRow("hex-copy") << u"programmer for the PIC16F1938"_s;
        QTest::newRow("keyboard") << u"Escape"_s;
        QTest::newRow("manual") << u"Instruction Manual"_s;
        QTest::newRow("support") << u"support@"_s;
        QTest::newRow("year") << u"© 2026"_s;
    }

    void readMeTellsWhatANewUserNeeds()
    {
        QFETCH(QString, fragment);
        auto *memo = f->control<QTextBrowser>(u"mMemoAdmin"_s);
        QVERIFY(memo->isReadOnly());
        QVERIFY2(memo->toPlainText().contains(fragment), qPrintable(fragment));
    }

private:
    struct Folders
    {
        QTemporaryDir root;
        QString program = root.filePath(u"program"_s);
        QString working = root.filePath(u"working"_s);
        Folders()
        {
            QDir().mkpath(program);
            QDir().mkpath(working);
        }
    };

    UsbDriversPage &page() const { return f->window->usbDriversPage(); }
    QString programFolder() const { return m_folders->program; }
    QString inProgramFolder(const QString &relative) const
    {
        return programFolder() + u'/' + relative;
    }
    QPushButton *button(const QString &name) const { return f->control<QPushButton>(name); }
    void click(const QString &name) { button(name)->click(); }

    // The program copy whose record names updateUrl, in the program folder.
    void useProgram(const QString &updateUrl)
    {
        const QString copy =
            stampedProgramCopy(inProgramFolder(u"korvant"_s), u"2.0.0.4"_s, updateUrl);
        QVERIFY(!copy.isEmpty());
        page().setProgramFile(copy);
    }

    void showUsbPage()
    {
        f->window->show();
        f->userSelectsPage(TfKorvant::PageAdmin);
        f->window->pageControl3()->setCurrentIndex(TfKorvant::AdminReadMe);
        f->window->pageControl3()->setCurrentIndex(TfKorvant::AdminUSB);
        QVERIFY(page().isVisible());
    }

    static QByteArray zipBytes(const QList<ZipEntry> &zipEntries)
    {
        const QTemporaryDir folder;
        const QString path = folder.filePath(u"made.zip"_s);
        return writeZip(path, zipEntries) ? TestFiles::read(path) : QByteArray();
    }

    void publishArchive(const QList<ZipEntry> &zipEntries)
    {
        const QByteArray bytes = zipBytes(zipEntries);
        QVERIFY(!bytes.isEmpty());
        QVERIFY(m_server->publish(u"USBDrivers.zip"_s, bytes));
    }

    std::unique_ptr<LocalWebServer> m_server;
    QByteArray m_archive;
    QString m_startFolder;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<DesktopRecorder> m_desktop;
    std::unique_ptr<Folders> m_folders;
};

QTEST_MAIN(TestUsbDriversPage)
#include "tst_usbdriverspage.moc"
