#pragma once

#include <QString>
#include <Qt>
#include <functional>

class PortStatusBar;
class ProgramFiles;
class QWidget;
class WebClient;

// "Version Update" and "Revert to previous version" of the right-hand panel: the version check,
// the forced offer, the update through DownLoadURL and the revert, then the restart.
class VersionUpdate final
{
public:
    // Starts a program file as a process of its own; false when it could not be started.
    using Starter = std::function<bool(const QString &program)>;

    VersionUpdate(QWidget *window, WebClient &web, PortStatusBar *statusBar);

    // The running program file (default: this process's); tests use a copy.
    void setProgramFile(const QString &path) { m_programFile = path; }
    QString programFile() const { return m_programFile; }
    // Where the download lands (default: the current directory when it starts).
    void setWorkingDirectory(const QString &path) { m_workingDirectory = path; }
    void setStartProgram(Starter start) { m_start = std::move(start); }
    void setCloseWindow(std::function<void()> close) { m_close = std::move(close); }

    void bCheckNewVersionClick();
    void bCheckNewVersionMouseDown(Qt::MouseButton button);
    void bRevertOldVersionClick();
    // Puts the program file at sUrl in place of the running one, provided it is the version
    // offered; gives the download's name.
    QString DownLoadURL(const QString &sUrl, const QString &offeredVersion);

    // The platform's start of a program without waiting for it.
    static bool startDetached(const QString &program, qint64 *pid = nullptr);

private:
    void checkVersion(bool forced);
    void update(const QString &updateUrl, const QString &offeredVersion);
    void restart();
    void clearProgress();
    ProgramFiles files() const;
    QString property(const QString &file, const QString &key) const;

    QWidget *m_window;
    WebClient &m_web;
    PortStatusBar *m_statusBar;
    QString m_programFile;
    QString m_workingDirectory;
    Starter m_start;
    std::function<void()> m_close;
};
