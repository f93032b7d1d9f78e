#include "admin/usbdriverspage.h"

#include "platform/atomicsave.h"
#include "platform/korvanterror.h"
#include "platform/versionrecord.h"
#include "ui/busycursor.h"
#include "ui/desktop.h"
#include "ui/errorguard.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"
#include "web/driverarchive.h"
#include "web/servernames.h"
#include "web/webclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QThread>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString x86 = u"x86"_s;
const QString x64 = u"x64"_s;

// Unpacking a large archive takes a while: it runs beside the event loop, so the window
// repaints and serial events are handled meanwhile.
DriverArchive::Result extractBeside(const QString &zipPath, const QString &folder,
                                    const QString &programFile)
{
    DriverArchive::Result result;
    // The page's program file stands for the program: tests give it a copy.
    const DriverArchive::OwnFiles ownFiles = DriverArchive::OwnFiles::of(programFile);
    QEventLoop loop;
    // Nothing may leave the thread: a failure there would end the program.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        const QString failure = failureOf([&] {
            result = DriverArchive::extract(zipPath, folder, DriverArchive::Limits(), ownFiles);
        });
        if (!failure.isEmpty()) {
            result = DriverArchive::Result();
            result.error = failure;
        }
    }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait(); // the loop also ends when the application quits
    return result;
}

} // namespace

UsbDriversPage::UsbDriversPage(WebClient &web, QWidget *parent)
    : QWidget(parent), m_web(web), m_programFile(QCoreApplication::applicationFilePath())
{
    m_download = namedControl<QPushButton>(
        u"bbDownloadDriver"_s, u"korvantDrivers.zip- x86 / x64  (Windows XP - Windows 10)"_s, this);
    m_install86 =
        namedControl<QPushButton>(u"bbInstallDrivers86"_s, u"x86 (Windows XP 32 bit)"_s, this);
    m_install64 = namedControl<QPushButton>(u"bbInstallDrivers64"_s,
                                            u"x64 (Windows 7,8 10 - 64 bits)"_s, this);
    m_install86->setEnabled(false);
    m_install64->setEnabled(false);
    m_testAddress = namedControl<QLineEdit>(u"eTestHTTP"_s, this);
    auto *connectTest = namedControl<QPushButton>(u"bConnectTest"_s, u"&Connect"_s, this);
    m_memoTest = namedControl<QPlainTextEdit>(u"mMemoTest"_s, this);
    m_memoTest->setReadOnly(true);
    m_memoTest->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memoTest->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memoTest->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *layout = new QGridLayout(this);
    layout->addWidget(namedControl<QLabel>(u"StaticText25"_s,
                                           u"Download Drivrs from Korvant Web Site (zip file)"_s,
                                           this),
                      0, 0, 1, 3);
    layout->addWidget(m_download, 1, 0, 1, 3);
    layout->addWidget(namedControl<QLabel>(u"StaticText26"_s,
                                           u"Install drivers directly from this application "_s,
                                           this),
                      2, 0, 1, 3);
    auto *installers = new QHBoxLayout;
    installers->addWidget(m_install86, 1);
    installers->addWidget(m_install64, 1);
    layout->addLayout(installers, 3, 0, 1, 3);
    layout->addWidget(namedControl<QLabel>(u"StaticText27"_s, u"HTTP or HTTPS get "_s, this), 4, 0);
    layout->addWidget(m_testAddress, 4, 1);
    layout->addWidget(connectTest, 4, 2);
    layout->addWidget(m_memoTest, 5, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);

    connect(m_download, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbDownloadDriverClick(); }); });
    connect(m_install86, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbInstallDrivers86Click(); }); });
    connect(m_install64, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbInstallDrivers64Click(); }); });
    connect(connectTest, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bConnectTestClick(); }); });
}

QString UsbDriversPage::installerPath(const QString &architecture) const
{
    return QFileInfo(m_programFile)
        .absoluteDir()
        .filePath(ServerNames::driverInstallerName(architecture));
}

QString UsbDriversPage::workingDirectory() const
{
    return m_workingDirectory.isEmpty() ? QDir::currentPath() : m_workingDirectory;
}

void UsbDriversPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    TabUSBShow();
}

void UsbDriversPage::TabUSBShow()
{
    const bool both =
        QFileInfo(installerPath(x86)).isFile() && QFileInfo(installerPath(x64)).isFile();
    m_install86->setEnabled(both);
    m_install64->setEnabled(both);
}

void UsbDriversPage::bbDownloadDriverClick()
{
    // One download at a time: the button waits while the window keeps serving events.
    m_download->setEnabled(false);
    const auto enableAgain = qScopeGuard([this] { m_download->setEnabled(true); });
    const QString folder = workingDirectory();
    const QString zipPath = QDir(folder).filePath(ServerNames::driverArchiveName());
    downloadArchive(zipPath);
    Messages::information(
        this,
        u"File  has been downloaded... Select your Operating System to install the driver."_s);
    unpackArchive(zipPath, folder);
}

void UsbDriversPage::downloadArchive(const QString &zipPath)
{
    BusyCursor busy;
    const QString updateUrl = VersionRecord::GetPropertyValue(m_programFile, u"UpdateURL"_s);
    if (updateUrl.isEmpty())
        throw KorvantError(u"This program file names no update address."_s);
    // Saved under a temporary name and renamed when complete: a failed download leaves no
    // partial archive, and an earlier one stays as it was.
    QSaveFile file(zipPath);
    if (!file.open(QIODevice::WriteOnly))
        throw KorvantError(u"Cannot create %1: %2"_s.arg(zipPath, file.errorString()));
    m_web.Get(ServerNames::driverArchiveAddress(updateUrl), file, DriverArchive::MaxBytes);
    if (const QString error = AtomicSave::commit(file); !error.isEmpty())
        throw KorvantError(u"Cannot write %1: %2"_s.arg(zipPath, error));
}

void UsbDriversPage::unpackArchive(const QString &zipPath, const QString &folder)
{
    BusyCursor busy;
    const DriverArchive::Result result = extractBeside(zipPath, folder, m_programFile);
    if (!result.ok)
        throw KorvantError(result.error); // the archive stays for a look at what came
    if (QFileInfo(installerPath(x86)).isFile())
        m_install86->setEnabled(true);
    if (QFileInfo(installerPath(x64)).isFile())
        m_install64->setEnabled(true);
    QFile archive(zipPath);
    if (!archive.remove()) {
        throw KorvantError(u"The drivers are unpacked, but %1 could not be deleted: %2"_s.arg(
            zipPath, archive.errorString()));
    }
}

void UsbDriversPage::bbInstallDrivers86Click()
{
    install(x86);
}

void UsbDriversPage::bbInstallDrivers64Click()
{
    install(x64);
}

void UsbDriversPage::install(const QString &architecture)
{
    const QFileInfo program(installerPath(architecture));
    if (!program.isFile()) {
        throw KorvantError(
            u"%1 is missing: download the drivers again."_s.arg(program.absoluteFilePath()));
    }
    // The archive decides what sits there; on a system it was not made for it may not run.
    if (!program.isExecutable() ||
        !Desktop::startDetached(program.absoluteFilePath(), program.absolutePath())) {
        Messages::warning(this, u"%1 cannot be started: it is not a program for this system."_s.arg(
                                    program.absoluteFilePath()));
    }
}

void UsbDriversPage::bConnectTestClick()
{
    m_memoTest->clear();
    BusyCursor busy;
    m_memoTest->setPlainText(m_web.Get(m_testAddress->text(), WebClient::TextFileCap));
}
