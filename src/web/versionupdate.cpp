#include "web/versionupdate.h"

#include "link/portstatusbar.h"
#include "platform/korvanterror.h"
#include "platform/versionrecord.h"
#include "ui/busycursor.h"
#include "ui/messages.h"
#include "web/programfiles.h"
#include "web/servernames.h"
#include "web/versiontext.h"
#include "web/webclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int ProgressPanel = 5;

// Panel 5 is emptied after every version file read, whatever follows.
class ProgressClearer final
{
public:
    explicit ProgressClearer(PortStatusBar *bar) : m_bar(bar) {}
    ~ProgressClearer()
    {
        if (m_bar)
            m_bar->setPanelText(ProgressPanel, QString());
    }
    Q_DISABLE_COPY_MOVE(ProgressClearer)

private:
    PortStatusBar *m_bar;
};

} // namespace

VersionUpdate::VersionUpdate(QWidget *window, WebClient &web, PortStatusBar *statusBar)
    : m_window(window), m_web(web), m_statusBar(statusBar),
      m_programFile(QCoreApplication::applicationFilePath()),
      m_start([](const QString &program) { return startDetached(program); }),
      m_close([window] { window->close(); })
{}

bool VersionUpdate::startDetached(const QString &program, qint64 *pid)
{
    return QProcess::startDetached(program, {}, QString(), pid);
}

QString VersionUpdate::property(const QString &file, const QString &key) const
{
    return VersionRecord::GetPropertyValue(file, key);
}

ProgramFiles VersionUpdate::files() const
{
    return ProgramFiles(m_programFile,
                        m_workingDirectory.isEmpty() ? QDir::currentPath() : m_workingDirectory);
}

void VersionUpdate::clearProgress()
{
    if (m_statusBar)
        m_statusBar->setPanelText(ProgressPanel, QString());
}

void VersionUpdate::bCheckNewVersionClick()
{
    checkVersion(false);
}

void VersionUpdate::bCheckNewVersionMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        checkVersion(true);
}

void VersionUpdate::checkVersion(bool forced)
{
    const QString version = property(m_programFile, u"FileVersion"_s);
    const QString updateUrl = property(m_programFile, u"UpdateURL"_s);
    if (updateUrl.isEmpty())
        throw KorvantError(u"This program file names no update address."_s);
    QString published;
    {
        ProgressClearer clearer(m_statusBar);
        published = VersionText::published(m_web.Get(
            ServerNames::versionFileAddress(updateUrl, QFileInfo(m_programFile).fileName()),
            WebClient::VersionFileCap));
    }
    if (!forced && !VersionText::isNewer(published, version)) {
        Messages::information(m_window, u"This version is the most recent!"_s);
        return;
    }
    const QString question = u"Present Version: "_s + version + u" - A new version ("_s +
                             published +
                             u") is available. Select YES to download the new version now."_s;
    if (!Messages::offer(m_window, question)) {
        clearProgress();
        return;
    }
    update(updateUrl, published);
}

void VersionUpdate::update(const QString &updateUrl, const QString &offeredVersion)
{
    {
        BusyCursor busy;
        try {
            DownLoadURL(
                ServerNames::programFileAddress(updateUrl, QFileInfo(m_programFile).fileName()),
                offeredVersion);
        } catch (const KorvantError &) {
            clearProgress();
            throw;
        }
    }
    Messages::information(m_window, u"This application will restart after shutdown..."_s);
    restart();
}

QString VersionUpdate::DownLoadURL(const QString &sUrl, const QString &offeredVersion)
{
    return files().DownLoadURL(m_web, sUrl, offeredVersion);
}

void VersionUpdate::bRevertOldVersionClick()
{
    ProgramFiles programFiles = files();
    const QString version = property(m_programFile, u"FileVersion"_s);
    const QString previous = property(programFiles.oldFile(), u"FileVersion"_s);
    if (previous.isEmpty()) {
        Messages::information(m_window, u"No older version available..."_s);
        return;
    }
    const QString question = u"This version is "_s + version + u" - The previous version was "_s +
                             previous + u"\r\n Do you want to revert to the old version?"_s;
    if (!Messages::question(m_window, question, true))
        return;
    if (!QFile::exists(programFiles.oldFile())) {
        Messages::information(m_window, u"Internal error - no change done..."_s);
        return;
    }
    programFiles.revert();
    restart();
}

void VersionUpdate::restart()
{
    if (!m_start(m_programFile)) {
        throw KorvantError(u"The program files are in place, but %1 could not be started; "
                           "start it again by hand."_s.arg(m_programFile));
    }
    m_close();
}
