#include "link/comport.h"
#include "link/portdoctor.h"
#include "link/portnames.h"
#include "link/portstatusbar.h"
#include "link/setupdialog.h"
#include "link/simulatorports.h"
#include "platform/currentuser.h"
#include "platform/serialaccess.h"
#include "shell/commainform.h"
#include "support/filepermissions.h"
#include "support/firstrunstore.h"
#include "support/messagerecorder.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "support/systemtree.h"
#include "ui/colours.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The real main window on the offscreen platform, with its settings store in a folder of its own.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<MessageRecorder> m_messages;

    QString storePath() const { return m_home->filePath(u"config/Quendrel/Korvant.json"_s); }

    void writeStore(const QJsonObject &values)
    {
        QDir().mkpath(QFileInfo(storePath()).absolutePath());
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(values).toJson());
    }

    QJsonObject readStore() const
    {
        QFile file(storePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    static QStringList statusTexts(TfKorvant &w)
    {
        QStringList texts;
        for (int i = 0; i < 6; ++i)
            texts.append(w.portStatusBar()->panelText(i));
        return texts;
    }

    template <typename T> static T *child(QObject &w, const QString &name)
    {
        T *found = w.findChild<T *>(name);
        if (!found)
            qWarning() << "no control" << name;
        return found;
    }

    // Advertises a pseudo-terminal as a simulator's port, so the setup dialog lists it.
    void advertise(const QString &name, const QString &device)
    {
        const QString folder = advertisedPortsFolder();
        QDir().mkpath(folder);
        QFile::remove(folder + u'/' + name);
        QVERIFY(QFile::link(device, folder + u'/' + name));
    }

    // Answers the modal setup dialog when it shows.
    static void answerSetupDialog(const QString &port, bool accept = true)
    {
        QTimer::singleShot(0, qApp, [port, accept] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (!port.isEmpty()) {
                auto *ports = dialog->findChild<QComboBox *>(u"cbPort"_s);
                ports->setCurrentIndex(ports->findText(port));
            }
            accept ? dialog->accept() : dialog->reject();
        });
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->filePath(u"config"_s).toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_home->filePath(u"run"_s).toUtf8());
        m_messages = std::make_unique<MessageRecorder>();
    }

    void cleanup()
    {
        qunsetenv(qPrintable(PortDoctor::RootVariable));
        m_messages.reset();
        m_home.reset();
    }

    void firstRunWritesEveryValueWithItsDefault()
    {
        {
            TfKorvant w;
            QCOMPARE(readStore().value(u"Version"_s).toString(), u"5.0"_s);
        }
        const QJsonObject store = readStore();
        QCOMPARE(store, FirstRunStore::described());
        QVERIFY(m_messages->boxes.isEmpty());
    }

    void firstRunStatusBar()
    {
        TfKorvant w;
        QCOMPARE(statusTexts(w),
                 QStringList({u"Com1"_s, u"57600 baud"_s, u"1 stop bit"_s, u"8 data bits"_s,
                              u"Flow control-None"_s, u"Parity-None"_s}));
    }

    void everyStartUsesDefaultBaudAndTimeouts()
    {
        writeStore({{u"Port"_s, u"COM5"_s},
                    {u"Baud"_s, u"115200"_s},
                    {u"FlowControl"_s, u"Hardware"_s},
                    {u"Stop"_s, u"1.5"_s},
                    {u"ReadTotalConstant"_s, 500}});
        {
            TfKorvant w;
            QCOMPARE(statusTexts(w).mid(0, 3),
                     QStringList({u"COM5"_s, u"57600 baud"_s, u"1.5 stop bit"_s}));
            QCOMPARE(statusTexts(w).at(4), u"Flow control-None"_s);
            QCOMPARE(child<QSpinBox>(w, u"seReadTotalConstant"_s)->value(), 100);
            QCOMPARE(w.port().timeouts().readTotalConstant, 100);
        }
        QCOMPARE(readStore().value(u"Baud"_s).toString(), u"57600"_s);
        QCOMPARE(readStore().value(u"ReadTotalConstant"_s).toInt(), 100);
        QCOMPARE(readStore().value(u"Port"_s).toString(), u"COM5"_s);
    }

    void storedParity_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("lower-case-even") << u"even"_s << u"Parity-Even"_s;
        QTest::newRow("zero-names-none") << u"0"_s << u"Parity-None"_s;
        QTest::newRow("upper-case-mark") << u"MARK"_s << u"Parity-Mark"_s;
    }

    void storedParity()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        writeStore({{u"Parity"_s, stored}});
        TfKorvant w;
        QCOMPARE(w.portStatusBar()->panelText(5), shown);
    }

    void wrongTypeKeepsTheDefaultAndStartUpGoesOn()
    {
        writeStore({{u"Stop"_s, 2}, {u"Parity"_s, u"Even"_s}});
        TfKorvant w;
        QCOMPARE(m_messages->texts(), QStringList{u"Invalid data type for 'Stop'"_s});
        QCOMPARE(m_messages->boxes.first().title, u"Korvant Application"_s);
        QCOMPARE(w.portStatusBar()->panelText(2), u"1 stop bit"_s);
        QCOMPARE(w.portStatusBar()->panelText(5), u"Parity-Even"_s);
        QVERIFY(!w.pageControl3()->isTabVisible(TfKorvant::AdminConfig));
        QCOMPARE(child<QCheckBox>(w, u"cbdirectUpload"_s)->isChecked(), true);
    }

    void corruptStoreIsKeptAsideAndSaidOnce()
    {
        QDir().mkpath(QFileInfo(storePath()).absolutePath());
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{ \"Port\": ");
        file.close();
        {
            TfKorvant w;
            QCOMPARE(m_messages->boxes.size(), 1);
            QVERIFY(m_messages->boxes.first().text.contains(u"Korvant.json.bad"_s));
            QCOMPARE(w.portStatusBar()->panelText(0), u"Com1"_s);
        }
        QVERIFY(QFile::exists(storePath() + u".bad"_s));
        QCOMPARE(readStore().value(u"Port"_s).toString(), u"Com1"_s);
    }

    void unknownStyleIsReportedWithACloseButton()
    {
        writeStore({{u"StyleVSF"_s, u"Nope"_s}});
        TfKorvant w;
        QCOMPARE(m_messages->boxes.size(), 1);
        QCOMPARE(m_messages->boxes.first().text, u"Style 'Nope' not found"_s);
        QCOMPARE(m_messages->boxes.first().button, u"Close"_s);
    }

    void framePagesAndCaptions()
    {
        TfKorvant w;
        const QStringList main{u"Firmware Upgrade"_s,
                               u"Turnout Load/Save"_s,
                               u"Turnout Decoder"_s,
                               u"Turnout Encoder"_s,
                               u"CV Programming"_s,
                               u"Link"_s,
                               u"Admin"_s};
        for (int i = 0; i < main.size(); ++i)
            QCOMPARE(w.pageControl1()->tabText(i), main.at(i));
        QCOMPARE(w.pageControl1()->currentIndex(), int(TfKorvant::PageFirmware));
        QCOMPARE(w.pageControl3()->tabText(TfKorvant::AdminSpecial),
                 u" Special Internal tab page"_s);
        QVERIFY(w.pageControl3()->isTabVisible(TfKorvant::AdminUSB));
        QVERIFY(!w.pageControl3()->isTabVisible(TfKorvant::AdminSpecial));
        QVERIFY(!child<QWidget>(w, u"iLoco3R"_s)->isHidden());
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Colours::background(&w), Colours::MoneyGreen);
        QCOMPARE(child<QPushButton>(w, u"Button_Open"_s)->text(), u"&Connect"_s);
    }

    void captionCarriesTheVersion()
    {
        TfKorvant w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), u"Korvant - Ver. "_s + QStringLiteral(KORVANT_EXPECTED_VERSION));
        QCOMPARE(child<QLabel>(w, u"stFullVersion"_s)->text(),
                 QStringLiteral(KORVANT_EXPECTED_VERSION));
    }

    void rightPressOnQuitTogglesTheDeveloperPages()
    {
        TfKorvant w;
        QSignalSpy quit(&w, &TfKorvant::quitRequested);
        auto *quitButton = child<QToolButton>(w, u"sbQuit"_s);
        auto *hex = child<QPlainTextEdit>(w, u"MHexFile"_s);
        QVERIFY(hex->isReadOnly());
        QTest::mousePress(quitButton, Qt::RightButton, Qt::ControlModifier);
        QVERIFY(w.pageControl3()->isTabVisible(TfKorvant::AdminConfig));
        QVERIFY(w.pageControl3()->isTabVisible(TfKorvant::AdminSpecial));
        QVERIFY(!hex->isReadOnly());
        QTest::mousePress(quitButton, Qt::RightButton);
        QVERIFY(!w.pageControl3()->isTabVisible(TfKorvant::AdminConfig));
        QVERIFY(!w.pageControl3()->isTabVisible(TfKorvant::AdminSpecial));
        QVERIFY(hex->isReadOnly());
        QTest::mousePress(quitButton, Qt::MiddleButton);
        QVERIFY(!w.pageControl3()->isTabVisible(TfKorvant::AdminConfig));
        QCOMPARE(quit.size(), 0);
    }

    void stayOnTopCaptions()
    {
        TfKorvant w;
        auto *button = child<QPushButton>(w, u"Button1"_s);
        QCOMPARE(button->text(), u"Stay On Top"_s);
        button->click();
        QCOMPARE(button->text(), u"Leave TOP"_s);
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        button->click();
        QCOMPARE(button->text(), u"Stay on TOP"_s);
        QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void connectAndDisconnect()
    {
        PtyPair pty;
        writeStore({{u"Port"_s, pty.slavePath()}});
        TfKorvant w;
        auto *open = child<QPushButton>(w, u"Button_Open"_s);
        auto *log = child<QPlainTextEdit>(w, u"Memo"_s);
        auto *hex = child<QPlainTextEdit>(w, u"MHexFile"_s);
        open->click();
        QCOMPARE(open->text(), u"&Disconnect"_s);
        QVERIFY(w.state().LinkOpen);
        for (const QString &memo : {u"Memo"_s, u"MHexFile"_s, u"mMemoReceived"_s, u"mMemoCV"_s})
            QCOMPARE(Colours::background(child<QWidget>(w, memo)), Colours::Yellow);
        for (const QString &button : {u"sbTransmit"_s, u"sbUpload"_s, u"sbUploadCV"_s})
            QVERIFY(child<QPushButton>(w, button)->isEnabled());
        QVERIFY(child<QWidget>(w, u"ComLed1"_s)->property("lit").toBool());
        QCOMPARE(pty.drain(), QByteArray()); // nothing is sent on the firmware page

        hex->setPlainText(u":00000001FF"_s);
        log->setPlainText(u"log"_s);
        open->click();
        QCOMPARE(open->text(), u"&Connect"_s);
        QVERIFY(!w.state().LinkOpen);
        QCOMPARE(Colours::background(log), Colours::Silver);
        QCOMPARE(Colours::background(hex), Colours::White);
        QCOMPARE(Colours::background(child<QWidget>(w, u"stLinkTitle"_s)), Colours::SkyBlue);
        QVERIFY(!child<QPushButton>(w, u"sbTransmit"_s)->isEnabled());
        QVERIFY(hex->toPlainText().isEmpty());
        QVERIFY(log->toPlainText().isEmpty());
        QVERIFY(m_messages->boxes.isEmpty());
    }

    void connectOnTheCvPageSendsX100Once()
    {
        PtyPair pty;
        writeStore({{u"Port"_s, pty.slavePath()}});
        TfKorvant w;
        w.selectPage(TfKorvant::PageCVProgramming);
        child<QPushButton>(w, u"Button_Open"_s)->click();
        QCOMPARE(pty.readAvailable(5), QByteArray(":X100"));
        QCOMPARE(pty.drain(), QByteArray());
    }

    void connectThatFailsChangesNothing()
    {
        SystemTree system; // an empty system: the doctor finds no more than the missing node
        qputenv(qPrintable(PortDoctor::RootVariable), system.root().toUtf8());
        TfKorvant w; // the first-run port "Com1" names no device here
        auto *open = child<QPushButton>(w, u"Button_Open"_s);
        open->click();
        QCOMPARE(m_messages->texts(),
                 QStringList{u"Select a ComPort first!\n"
                             "/dev/Com1 does not exist: the converter is unplugged, or the port "
                             "has another name\n"
                             "Fix: korvant-cli ports"_s});
        QCOMPARE(open->text(), u"&Connect"_s);
        QVERIFY(!w.state().LinkOpen);
        QCOMPARE(Colours::background(child<QWidget>(w, u"Memo"_s)), Colours::Silver);
    }

    void aPortTheUserMayNotOpenSaysWhichGroupGivesAccess()
    {
        PtyPair pty;
        QVERIFY(QFile::setPermissions(pty.slavePath(), QFile::ReadOwner)); // no one may write
        writeStore({{u"Port"_s, pty.slavePath()}});
        TfKorvant w;
        FilePermissionsHold permissions; // root, too, is refused the device, as a user is
        QVERIFY(permissions.holds());
        child<QPushButton>(w, u"Button_Open"_s)->click();
        QCOMPARE(m_messages->boxes.size(), 1);
        const QStringList lines = m_messages->boxes.first().text.split(u'\n');
        QCOMPARE(lines.first(), u"Select a ComPort first!"_s);
        QVERIFY(lines.value(1).contains(u"sudo adduser $USER"_s));
    }

    void theAccessHintNamesTheDevicesGroup()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(u"ttyUSB9"_s);
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString group = QFileInfo(device).group();
        const QString hint = serialAccessHint(device);
        QVERIFY(hint.contains(device));
        QVERIFY(hint.contains(group == u"root"_s ? u"'dialout'"_s : u"'%1'"_s.arg(group)));
    }

    // Another program holds the port: the message says which, not that the account lacks
    // rights.
    void aPortInUseNamesTheProgramThatHoldsIt()
    {
        PtyPair pty;
        QProcess holder;
        holder.start(QStringLiteral(KORVANT_BINARY_DIR "/bin/korvant-cli"),
                     {u"monitor"_s, u"--port"_s, pty.slavePath()});
        QVERIFY2(holder.waitForStarted(5000), qPrintable(holder.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(!portHolders(pty.slavePath()).isEmpty(), 5000);
        writeStore({{u"Port"_s, pty.slavePath()}});
        TfKorvant w;
        child<QPushButton>(w, u"Button_Open"_s)->click();
        const qint64 pid = holder.processId();
        holder.terminate();
        QVERIFY(holder.waitForFinished(5000));
        QCOMPARE(m_messages->boxes.size(), 1);
        const QStringList lines = m_messages->boxes.first().text.split(u'\n');
        QCOMPARE(lines.first(), u"Select a ComPort first!"_s);
        QCOMPARE(lines.value(1),
                 u"%1 is in use by korvant-cli (pid %2)"_s.arg(pty.slavePath().mid(5)).arg(pid));
    }

    // The holders are read from each process's open files; a fixture tree stands for /proc.
    void holdersAreFoundFromTheOpenFiles()
    {
        QTemporaryDir root;
        const QString device = root.filePath(u"ttyUSB0"_s);
        QFile node(device);
        QVERIFY(node.open(QIODevice::WriteOnly));
        node.close();
        const auto process = [&](const QString &pid, const QByteArray &comm,
                                 const QStringList &fds) {
            QVERIFY(QDir().mkpath(root.filePath(u"proc/%1/fd"_s.arg(pid))));
            QFile name(root.filePath(u"proc/%1/comm"_s.arg(pid)));
            QVERIFY(name.open(QIODevice::WriteOnly));
            name.write(comm);
            name.close();
            for (int i = 0; i < fds.size(); ++i)
                QVERIFY(QFile::link(fds.at(i), root.filePath(u"proc/%1/fd/%2"_s.arg(pid).arg(i))));
        };
        process(u"812"_s, "ModemManager\n", {u"/dev/null"_s, device});
        process(u"900"_s, "bash\n", {u"/dev/null"_s});
        process(QString::number(QCoreApplication::applicationPid()), "tst_mainwindow\n", {device});
        QVERIFY(QDir().mkpath(root.filePath(u"proc/sys/fd"_s))); // not a process
        const QList<PortHolder> holders = portHolders(device, root.filePath(u"proc"_s));
        QCOMPARE(holders.size(), 1);
        QCOMPARE(holders.first().program, u"ModemManager"_s);
        QCOMPARE(holders.first().pid, 812);
        QCOMPARE(portInUseText(device, holders), u"ttyUSB0 is in use by ModemManager (pid 812)"_s);
        QCOMPARE(portInUseText(device, {}), QString());
    }

    // Below what the failure itself tells, each finding of the port doctor that blocks the
    // port, with its fix; the doctor reads a fixture tree in place of the system.
    void aFailedConnectAddsWhatTheDoctorFinds()
    {
        QVERIFY(!QFile::exists(u"/dev/ttyUSB99"_s)); // so the real open fails
        SystemTree system;
        QVERIFY(system.addDevice(u"ttyUSB99"_s, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther));
        QVERIFY(system.addUsbConverter("0403", "6001", u"ttyUSB99"_s, 1));
        QVERIFY(system.addProcess(700, "ModemManager", {u"/dev/ttyUSB99"_s}));
        qputenv(qPrintable(PortDoctor::RootVariable), system.root().toUtf8());
        writeStore({{u"Port"_s, u"ttyUSB99"_s}});
        TfKorvant w;
        child<QPushButton>(w, u"Button_Open"_s)->click();
        QCOMPARE(m_messages->texts(),
                 QStringList{u"Select a ComPort first!\n"
                             "ModemManager runs and no udev rule keeps it off 0403:6001: its "
                             "modem probes upset the station's boot loader\n"
                             "Fix: sudo systemctl stop ModemManager\n"
                             "ttyUSB99 is in use by ModemManager (pid 700)\n"
                             "Fix: kill 700"_s});
        QVERIFY(!w.state().LinkOpen);
    }

    // "Check port" shows the doctor's report of the chosen entry, as a warning when
    // something blocks the port.
    void setupDialogChecksTheChosenPort_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<int>("kind");
        QTest::newRow("nothing-blocks") << false << int(Messages::Kind::Information);
        QTest::newRow("held-by-a-program") << true << int(Messages::Kind::Warning);
    }

    void setupDialogChecksTheChosenPort()
    {
        QFETCH(bool, held);
        QFETCH(int, kind);
        SystemTree system;
        QVERIFY(system.addDevice(u"ttyUSB99"_s, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther));
        QVERIFY(system.addUsbConverter("0403", "6001", u"ttyUSB99"_s, 1));
        if (held)
            QVERIFY(system.addProcess(812, "minicom", {u"/dev/ttyUSB99"_s}));
        qputenv(qPrintable(PortDoctor::RootVariable), system.root().toUtf8());
        TComPort::LineSettings current;
        current.port = u"ttyUSB99"_s;
        SetupDialog dialog(current, PortSettings::FlowControl::None, {u"ttyS0"_s, u"ttyUSB99"_s});
        child<QPushButton>(dialog, u"Button_CheckPort"_s)->click();
        QCOMPARE(m_messages->boxes.size(), 1);
        const Messages::Box &box = m_messages->boxes.first();
        QCOMPARE(int(box.kind), kind);
        QCOMPARE(box.text, PortDoctor::report(
                               PortDoctor::checkPort(u"ttyUSB99"_s, system.root(), currentUser()))
                               .join(u'\n'));
        QVERIFY(box.text.startsWith(u"ttyUSB99 (/dev/ttyUSB99, USB 0403:6001)\n"_s));
        QCOMPARE(box.text.contains(u"\n  blocks  ttyUSB99 is in use by minicom (pid 812)\n"_s),
                 held);
    }

    void setupDialogWhileConnectedReopensUnderTheNewName()
    {
        PtyPair first;
        PtyPair second;
        advertise(u"SIMA"_s, first.slavePath());
        advertise(u"SIMB"_s, second.slavePath());
        writeStore({{u"Port"_s, u"SIMA"_s}});
        TfKorvant w;
        child<QPushButton>(w, u"Button_Open"_s)->click();
        QVERIFY(w.state().LinkOpen);
        QSignalSpy closed(&w.port(), &TComPort::afterClose);
        QSignalSpy opened(&w.port(), &TComPort::afterOpen);
        answerSetupDialog(u"SIMB"_s);
        w.Button_SettingsClick();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(opened.size(), 1);
        QVERIFY(w.state().LinkOpen);
        QCOMPARE(w.portStatusBar()->panelText(0), u"SIMB"_s);
        w.port().write("k");
        QCOMPARE(second.readAvailable(1), QByteArray("k"));
    }

    void setupDialogListsARunningSimulator()
    {
        SimulatorProcess sim({u"--name"_s, u"SIM1"_s});
        QVERIFY(sim.start());
        qputenv("XDG_RUNTIME_DIR", sim.runtimeDir().toUtf8());
        TfKorvant w;
        QStringList listed;
        QTimer::singleShot(0, qApp, [&listed] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *ports = dialog->findChild<QComboBox *>(u"cbPort"_s);
            for (int i = 0; i < ports->count(); ++i)
                listed.append(ports->itemText(i));
            ports->setCurrentIndex(ports->findText(u"SIM1"_s));
            dialog->accept();
        });
        w.Button_SettingsClick();
        QVERIFY2(listed.contains(u"SIM1"_s), qPrintable(listed.join(u", "_s)));
        child<QPushButton>(w, u"Button_Open"_s)->click();
        QVERIFY(w.state().LinkOpen);
        w.DoInstruction(u":E000"_s);
        QTRY_COMPARE_WITH_TIMEOUT(sim.fetchCapture(), QByteArray(":E000"), 3000);
    }

    void setupDialogWithAnUnlistedPortEmptiesTheName()
    {
        TfKorvant w; // "Com1" is not among the ports
        answerSetupDialog(QString());
        w.Button_SettingsClick();
        QCOMPARE(w.portStatusBar()->panelText(0), QString());
        child<QPushButton>(w, u"Button_Open"_s)->click();
        QCOMPARE(m_messages->texts(), QStringList{u"Select a ComPort first!"_s});
    }

    void setupDialogOpensInTheMiddleOfTheScreen()
    {
        TfKorvant w;
        w.show();
        w.move(w.screen()->availableGeometry().center()); // the window off the middle
        QPoint centre;
        QTimer::singleShot(0, qApp, [&centre] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                centre = dialog->frameGeometry().center();
                dialog->reject();
            }
        });
        w.Button_SettingsClick();
        const QPoint screenCentre = w.screen()->availableGeometry().center();
        QVERIFY2((centre - screenCentre).manhattanLength() <= 4,
                 qPrintable(u"dialog centred at %1,%2"_s.arg(centre.x()).arg(centre.y())));
    }

    void setupDialogCancelChangesNothing()
    {
        TfKorvant w;
        answerSetupDialog(QString(), false);
        w.Button_SettingsClick();
        QCOMPARE(w.portStatusBar()->panelText(0), u"Com1"_s);
    }

    void defaultWhileConnectedResetsTheOpenPort()
    {
        PtyPair pty;
        writeStore({{u"Port"_s, pty.slavePath()}});
        TfKorvant w;
        child<QPushButton>(w, u"Button_Open"_s)->click();
        w.port().setBaudRate(PortSettings::BaudRate::br115200);
        w.port().setFlowControl(PortSettings::FlowControl::Hardware);
        child<QSpinBox>(w, u"seWriteTotalConstant"_s)->setValue(50);
        child<QPushButton>(w, u"bDefault"_s)->click();
        QCOMPARE(w.port().settings().baudRate, PortSettings::BaudRate::br57600);
        QCOMPARE(w.port().flowControl(), PortSettings::FlowControl::None);
        QCOMPARE(w.port().timeouts().writeTotalConstant, 1000);
        QCOMPARE(w.portStatusBar()->panelText(1), u"57600 baud"_s);
        QCOMPARE(w.portStatusBar()->panelText(4), u"Flow control-None"_s);
    }

    void timeoutChangesReachThePortAtOnce()
    {
        TfKorvant w;
        child<QSpinBox>(w, u"seReadTotalMultiplier"_s)->setValue(7);
        child<QSpinBox>(w, u"seReadInterval"_s)->setValue(20000);
        QCOMPARE(w.port().timeouts().readTotalMultiplier, 7);
        QCOMPARE(w.port().timeouts().readInterval, 10000);
    }

    void directUploadCommSwitchesFlowControlOff()
    {
        TfKorvant w;
        w.port().setFlowControl(PortSettings::FlowControl::Hardware);
        w.FillStatusBar();
        auto *box = child<QCheckBox>(w, u"cbDirectUploadComm"_s);
        box->setChecked(true);
        QCOMPARE(w.portStatusBar()->panelText(4), u"Flow control-None"_s);
        w.port().setFlowControl(PortSettings::FlowControl::Software);
        box->setChecked(false);
        QCOMPARE(w.portStatusBar()->panelText(4), u"Flow control-Software"_s);
    }

    void unpluggedConverterClosesThePortAndSaysSoOnce()
    {
        auto pty = std::make_unique<PtyPair>();
        writeStore({{u"Port"_s, pty->slavePath()}});
        TfKorvant w;
        auto *open = child<QPushButton>(w, u"Button_Open"_s);
        open->click();
        QVERIFY(w.state().LinkOpen);
        pty->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!w.state().LinkOpen, 3000);
        // A second box would come from the hung-up terminal's read error, which repeats on
        // every pass of the event loop while the port is open, or from the window's watch for
        // the converter's return, which looks every 500 ms: a second must pass without one.
        QDeadlineTimer quiet(1000);
        while (!quiet.hasExpired() && m_messages->boxes.size() == 1)
            QTest::qWait(10);
        QCOMPARE(m_messages->boxes.size(), 1);
        QCOMPARE(open->text(), u"&Connect"_s);
        QCOMPARE(Colours::background(child<QWidget>(w, u"Memo"_s)), Colours::Silver);
        QVERIFY(!child<QPushButton>(w, u"sbTransmit"_s)->isEnabled());

        PtyPair replugged;
        w.port().setPort(replugged.slavePath());
        open->click();
        QVERIFY(w.state().LinkOpen);
    }

    void quitWhileConnectedClosesOnce()
    {
        PtyPair pty;
        writeStore({{u"Port"_s, pty.slavePath()}});
        auto w = std::make_unique<TfKorvant>();
        child<QPushButton>(*w, u"Button_Open"_s)->click();
        QSignalSpy closed(&w->port(), &TComPort::afterClose);
        w->sbQuitClick();
        w.reset();
        QCOMPARE(closed.size(), 1);
        QVERIFY(m_messages->boxes.isEmpty());
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
