// Makes the pictures of the user's guide: the real main window, driving the station simulator,
// visits every page and saves each as a PNG. It needs a display; scripts/screenshots runs it
// under a virtual X server so the pictures can be remade after every change.
//   korvant-screenshots OUTPUT-FOLDER
#include "admin/appearancepage.h"
#include "firmware/firmwarepage.h"
#include "link/portnames.h"
#include "link/setupdialog.h"
#include "shell/commainform.h"
#include "support/simulatorprocess.h"
#include "ui/colours.h"
#include "ui/messages.h"
#include "ui/radiogroup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QSize WindowSize(1000, 700);

class Shooter
{
public:
    Shooter(TfKorvant &window, QString folder) : m_window(window), m_folder(std::move(folder)) {}

    template <typename T = QWidget> T *control(const QString &name) const
    {
        T *found = m_window.findChild<T *>(name);
        if (!found)
            fail(u"no control "_s + name);
        return found;
    }

    // Lets the event loop run until ready() holds (or 5 s pass), so the picture shows the end
    // of what was started.
    void settle(const std::function<bool()> &ready = {}) const
    {
        const QDeadlineTimer deadline(5000);
        while (ready && !ready() && !deadline.hasExpired())
            QTest::qWait(20);
        if (ready && !ready())
            std::fprintf(stderr, "screenshots: waited in vain, taking the picture anyway\n");
        QTest::qWait(150); // repaints after the last change
    }

    void save(QWidget *widget, const QString &name) const
    {
        const QString path = QDir(m_folder).filePath(name + u".png"_s);
        // Quality 0: the strongest compression, the pictures are kept in the repository.
        if (!widget->grab().toImage().convertToFormat(QImage::Format_RGB32).save(path, "PNG", 0))
            fail(u"cannot write "_s + path);
        std::printf("%s\n", qPrintable(path));
    }

    void shoot(const QString &name) const { save(&m_window, name); }

    void mainPage(int index) const
    {
        m_window.pageControl1()->setCurrentIndex(index); // as the user does: packets are routed
        settle();
    }

    void adminPage(int index) const
    {
        mainPage(TfKorvant::PageAdmin);
        m_window.pageControl3()->setCurrentIndex(index);
        settle();
    }

    static void fail(const QString &why)
    {
        std::fprintf(stderr, "screenshots: %s\n", qPrintable(why));
        std::exit(1);
    }

private:
    TfKorvant &m_window;
    QString m_folder;
};

void writeSettings(const QString &configHome, const QString &port)
{
    const QString store = configHome + u"/Quendrel/Korvant.json"_s;
    QDir().mkpath(QFileInfo(store).absolutePath());
    QFile file(store);
    if (!file.open(QIODevice::WriteOnly))
        Shooter::fail(u"cannot write "_s + store);
    file.write(QJsonDocument(QJsonObject{{u"Port"_s, port}}).toJson());
}

// An upload to the boot loader (a second simulator, "BOOT"), then on to the station itself.
void firmwarePage(TfKorvant &window, Shooter &shot)
{
    // A clock that makes every upload last 52.318 s, so the picture does not change each run.
    const QDateTime evening(QDate(2026, 1, 1), QTime(20, 0));
    window.findChild<FirmwarePage *>()->setClock([evening, calls = 0]() mutable {
        return calls++ == 0 ? evening : evening.addMSecs(52318);
    });
    window.findChild<FirmwarePage *>()->loadHexFile(
        QStringLiteral(KORVANT_BINARY_DIR "/webroot/update/Korvant_UartEcho_301b.hex"));
    // Where a member would keep it, rather than the build folder of this machine.
    shot.control<QLineEdit>(u"eHexFile"_s)
        ->setText(u"/home/member/Korvant/Korvant_UartEcho_301b.hex"_s);
    shot.control<QAbstractButton>(u"Button_Open"_s)->click();
    shot.settle([&] { return window.state().LinkOpen; });
    auto *start = shot.control<QAbstractButton>(u"sbTransmit"_s);
    auto *log = shot.control<QPlainTextEdit>(u"Memo"_s);
    start->click();
    shot.settle([&] { return start->isEnabled() && log->toPlainText().contains(u"End:"_s); });
    shot.shoot(u"firmware"_s);

    TComPort::LineSettings settings = window.port().settings();
    settings.port = u"SIM1"_s;
    window.port().applySettings(settings);
    window.FillStatusBar();
    shot.settle([&] { return window.state().LinkOpen; });
}

void settingsDialog(TfKorvant &window, Shooter &shot)
{
    SetupDialog dialog(window.port().settings(), window.port().flowControl(),
                       PortNames::availablePorts(), &window);
    dialog.show();
    shot.settle();
    shot.save(&dialog, u"settings"_s);
    dialog.reject();
}

void turnoutPages(Shooter &shot)
{
    shot.mainPage(TfKorvant::PageTurnoutEncoder);
    const QStringList rows{u"05/ 07| 12R"_s, u"03/ 04C 09/"_s, u"21/ 22/ 23|"_s, QString(),
                           u"40R 41L"_s};
    for (int n = 1; n <= rows.size(); ++n) {
        if (rows.at(n - 1).isEmpty())
            continue;
        shot.control<QCheckBox>(u"CheckBox%1"_s.arg(n + 26))->setChecked(true);
        shot.control<QLineEdit>(u"Edit%1"_s.arg(n))->setText(rows.at(n - 1));
    }
    shot.control<QAbstractButton>(u"sbAssignTurnout"_s)->click();
    shot.settle();
    shot.shoot(u"turnout-encoder"_s);

    shot.mainPage(TfKorvant::PageTurnout);
    auto *upload = shot.control<QAbstractButton>(u"sbUpload"_s);
    upload->click();
    shot.settle([upload] { return upload->isEnabled(); });
    shot.shoot(u"turnout-loadsave"_s);

    shot.mainPage(TfKorvant::PageTurnoutDecoder);
    shot.control<QAbstractButton>(u"sbUpdate"_s)->click();
    shot.settle();
    shot.shoot(u"turnout-decoder"_s);
}

void cvPages(Shooter &shot)
{
    shot.mainPage(TfKorvant::PageCVProgramming);
    shot.control<RadioGroup>(u"rgCvSelect"_s)->setItemIndex(1); // "Default": CV1-5 and CV29
    auto *cv29 = shot.control<QCheckBox>(u"CheckBox87"_s);
    auto *upload = shot.control<QAbstractButton>(u"sbUploadCV"_s);
    upload->click();
    shot.settle([&] { return upload->isEnabled() && cv29->checkState() == Qt::PartiallyChecked; });
    auto *pages = shot.control<QTabWidget>(u"PageControl2"_s);
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        shot.settle();
        shot.shoot(u"cv-page%1"_s.arg(page + 1));
    }
    pages->setCurrentIndex(0);
}

void linkPage(Shooter &shot)
{
    shot.mainPage(TfKorvant::PageLink);
    auto *title = shot.control(u"stLinkTitle"_s);
    shot.control<QSlider>(u"tbSpeedLoco1"_s)->setValue(12);
    shot.settle();
    QTest::mouseClick(shot.control(u"panH1"_s), Qt::LeftButton);
    shot.settle();
    QTest::mouseClick(shot.control(u"PanF11"_s), Qt::LeftButton);
    shot.settle();
    shot.control<QSlider>(u"tbSpeedLoco2"_s)->setValue(20);
    shot.settle();
    shot.control<QAbstractButton>(u"bbDirLoc2"_s)->click();
    shot.settle([&] {
        return Colours::background(title) == Colours::Yellow &&
               Colours::background(shot.control(u"PanF11"_s)) == Colours::Magenta;
    });
    shot.shoot(u"link"_s);
}

void adminPages(TfKorvant &window, Shooter &shot)
{
    shot.adminPage(TfKorvant::AdminReadMe);
    shot.shoot(u"admin-readme"_s);
    shot.adminPage(TfKorvant::AdminUSB);
    shot.shoot(u"admin-usb"_s);
    shot.adminPage(TfKorvant::AdminAppearance);
    shot.shoot(u"admin-appearance"_s);
    window.sbQuitMouseDown(Qt::RightButton); // the developer pages
    shot.adminPage(TfKorvant::AdminConfig);
    // Both remote throttles on, with a code the guide's reader can see beside its QR code.
    shot.control<QLineEdit>(u"eAccessCode"_s)->setText(u"40417233"_s);
    auto *browser = shot.control<QCheckBox>(u"cbBrowserThrottle"_s);
    auto *wiThrottle = shot.control<QCheckBox>(u"cbWiThrottle"_s);
    browser->setChecked(true);
    wiThrottle->setChecked(true);
    shot.settle([&] { return shot.control(u"imBrowserQrCode"_s)->isVisible(); });
    shot.shoot(u"admin-configuration"_s);
    shot.save(shot.control(u"gbRemoteThrottles"_s), u"remote-throttles"_s);
    browser->setChecked(false);
    wiThrottle->setChecked(false);
    shot.adminPage(TfKorvant::AdminSpecial);
    shot.control<QAbstractButton>(u"sbImportHex"_s)->click();
    shot.control<QAbstractButton>(u"sbImportTurnout"_s)->click();
    shot.settle();
    shot.shoot(u"admin-internal"_s);
    window.sbQuitMouseDown(Qt::RightButton);
}

// The Link page in a style of the catalogue: the state colours stay.
void styledLinkPage(TfKorvant &window, Shooter &shot)
{
    shot.adminPage(TfKorvant::AdminAppearance);
    auto *styles = shot.control<QListWidget>(u"ListBox1"_s);
    const auto found = styles->findItems(u"Carbon"_s, Qt::MatchExactly);
    if (found.isEmpty())
        Shooter::fail(u"no style Carbon"_s);
    styles->setCurrentItem(found.first());
    window.findChild<AppearancePage *>()->ListBox1DblClick();
    shot.mainPage(TfKorvant::PageLink);
    shot.shoot(u"style-carbon"_s);
    shot.adminPage(TfKorvant::AdminAppearance);
    styles->setCurrentItem(styles->findItems(u"Windows"_s, Qt::MatchExactly).first());
    window.findChild<AppearancePage *>()->ListBox1DblClick();
    shot.settle();
}

// The turnout sheet's print preview, a modal window: taken and closed from a timer.
void printPreview(TfKorvant &window, Shooter &shot)
{
    shot.mainPage(TfKorvant::PageTurnoutDecoder);
    QTimer::singleShot(1500, &window, [&shot] {
        QWidget *preview = QApplication::activeModalWidget();
        if (!preview)
            Shooter::fail(u"no print preview"_s);
        preview->showNormal();
        preview->resize(WindowSize);
        shot.settle();
        shot.save(preview, u"print-preview"_s);
        preview->close();
    });
    shot.control<QAbstractButton>(u"bbPrintTurnout"_s)->click();
}

// The browser throttle as a phone shows it: chromium, driven by a script, on the page of a
// window of its own connected to a simulator of its own.
void phonePage(const QString &folder)
{
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    script.setProcessEnvironment(environment);
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(u"/usr/bin/python3"_s,
                 {QStringLiteral(KORVANT_SOURCE_DIR "/tests/guide/phone_screenshot.py"),
                  QStringLiteral(KORVANT_BINARY_DIR "/tests/remote/browserwindow-host"),
                  QDir(folder).filePath(u"phone-throttle.png"_s)});
    if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0)
        Shooter::fail(u"the phone's picture was not made"_s);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Korvant"_s);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder))
        Shooter::fail(u"cannot make "_s + folder);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_s).toUtf8());
    SimulatorProcess sim({u"--addresses"_s, u"3,17,24,5"_s, u"--cv"_s, u"1=3"_s, u"--cv"_s,
                          u"2=8"_s, u"--cv"_s, u"3=12"_s, u"--cv"_s, u"4=10"_s, u"--cv"_s,
                          u"5=220"_s, u"--cv"_s, u"29=6"_s});
    SimulatorProcess bootLoader({u"--bootloader"_s, u"--name"_s, u"BOOT"_s});
    if (!sim.start() || !bootLoader.start())
        Shooter::fail(u"the station simulator did not start: "_s + sim.errorOutput() +
                      bootLoader.errorOutput());
    // The window finds the simulators' ports by their advertised names, as a user's does.
    qputenv("XDG_RUNTIME_DIR", sim.runtimeDir().toUtf8());
    if (!QFile::link(bootLoader.ptyPath(), sim.runtimeDir() + u"/korvant/ports/BOOT"_s))
        Shooter::fail(u"cannot advertise the boot loader"_s);
    writeSettings(home.filePath(u"config"_s), u"BOOT"_s);
    Messages::setSink([](const Messages::Box &box) {
        std::fprintf(stderr, "screenshots: message \"%s\"\n", qPrintable(box.text));
        return false;
    });

    TfKorvant window;
    window.resize(WindowSize);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        Shooter::fail(u"the window was not shown"_s);
    Shooter shot(window, folder);
    shot.settle();

    firmwarePage(window, shot);
    settingsDialog(window, shot);
    turnoutPages(shot);
    cvPages(shot);
    linkPage(shot);
    adminPages(window, shot);
    styledLinkPage(window, shot);
    printPreview(window, shot);
    phonePage(folder);
    return 0;
}
