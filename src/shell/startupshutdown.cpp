// Start-up and shut-down, in their order: the settings read and written, the style, the port
// closed.
#include "admin/appearance.h"
#include "admin/configpage.h"
#include "admin/readmepage.h"
#include "cv/cvprogrammingpage.h"
#include "link/comporterror.h"
#include "loco/linkpage.h"
#include "platform/atomicsave.h"
#include "platform/developmentrun.h"
#include "platform/korvanterror.h"
#include "platform/settingsstore.h"
#include "platform/versionrecord.h"
#include "remote/browserthrottle.h"
#include "remote/mdnsannouncer.h"
#include "remote/remotethrottle.h"
#include "remote/withrottleserver.h"
#include "shell/commainform.h"
#include "shell/settingsio.h"
#include "ui/errorguard.h"
#include "ui/messages.h"
#include "web/versionupdate.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcShutDown, "korvant.shutdown", QtInfoMsg)

void TfKorvant::FormCreate()
{
    m_state.LinkOpen = false;
    selectPage(PageFirmware);
    m_cvPage->pageControl()->setCurrentIndex(0);
    m_pageControl3->setCurrentIndex(AdminReadMe);

    guarded(this, [this] {
        SettingsStore MonRegistre;
        if (!MonRegistre.openKey()) {
            // Nothing is written back at exit either, so the file stays as the user left it.
            Messages::warning(this, MonRegistre.openError() +
                                        u" The program starts with its default settings and "
                                        "leaves the file as it is."_s);
        } else if (!MonRegistre.keptAsideNotice().isEmpty()) {
            Messages::warning(this, MonRegistre.keptAsideNotice());
        }
        // A store that could not be opened reads as an empty one: first-run defaults.
        QStringList errors;
        m_state.CurrentStyleName = SettingsIO::loadAtStartUp(MonRegistre, m_port, errors);
        const RemoteSettings remote = SettingsIO::loadRemote(MonRegistre, errors);
        try {
            MonRegistre.closeKey();
        } catch (const KorvantError &e) {
            // A settings folder that cannot be written (read-only, full) must not cost the
            // rest of start-up: the defaults, the port, the style and the hidden pages.
            errors.append(e.message());
        }
        // A value of the wrong type keeps its default; start-up goes on after saying so.
        if (!errors.isEmpty())
            Messages::error(this, errors.join(u'\n'));
        m_configPage->bDefaultClick();
        if (!Appearance::activateStyle(m_state.CurrentStyleName)) {
            Messages::error(this, u"Style '%1' not found"_s.arg(m_state.CurrentStyleName),
                            u"Close"_s);
        }
        applyFrameColour();
        m_configPage->pushToPort();
        FillStatusBar();
        m_linkPage->showRightFacingLocos();
        m_pageControl3->setTabVisible(AdminSpecial, false);
        m_pageControl3->setTabVisible(AdminConfig, false);
        // Last: a server that cannot listen says so once the window is otherwise ready.
        m_configPage->setRemoteSettings(remote);
    });
}

void TfKorvant::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TfKorvant::FormShow()
{
    guarded(this, [this] {
        const QString version =
            VersionRecord::GetPropertyValue(QApplication::applicationFilePath(), u"FileVersion"_s);
        setWindowTitle(u"Korvant - Ver. "_s + version);
        m_readMePage->setFullVersion(version);
        if (isDevelopmentRun())
            writeDevelopmentVersionFile(version);
        if (const QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    });
}

void TfKorvant::writeDevelopmentVersionFile(const QString &version) const
{
    const QString name =
        QFileInfo(QApplication::applicationFilePath()).completeBaseName() + u".ver"_s;
    const QString error =
        AtomicSave::write(QDir::current().filePath(name), QByteArray(version.toUtf8() + "\r\n"));
    if (!error.isEmpty())
        throw KorvantError(u"Cannot write %1: %2"_s.arg(name, error));
}

TfKorvant::~TfKorvant()
{
    // Nothing may leave a destructor: the program would end on the spot, unsaved. An upload
    // still running ends while the port it writes to is still there, also when its converter
    // has just been pulled out; then the settings are saved and the port closed.
    if (const QString failure = failureOf([this] { cancelUploads(); }); !failure.isEmpty())
        qCWarning(lcShutDown) << "ending the uploads:" << failure;
    FormDestroy();
}

void TfKorvant::FormDestroy() noexcept
{
    guarded(this, [this] {
        SettingsStore MonRegistre;
        if (MonRegistre.openKey()) {
            SettingsIO::saveAtShutDown(MonRegistre, m_port, m_configPage->values(),
                                       m_state.CurrentStyleName);
            SettingsIO::saveRemote(MonRegistre, m_configPage->remoteSettings());
            MonRegistre.closeKey();
        }
    });
    closePortOnQuit();
}

void TfKorvant::closePortOnQuit() noexcept
{
    // Runs from the destructor too: every failure is said here and goes no further.
    guarded(this, [this] {
        try {
            if (m_port.connected())
                m_port.close();
        } catch (const EComPort &) {
            Messages::error(this, u"ComPort Exception raised!"_s);
        }
    });
}

void TfKorvant::sbQuitClick()
{
    closePortOnQuit();
    Q_EMIT quitRequested();
    QApplication::quit();
}
