#include "web/programfiles.h"

#include "platform/atomicsave.h"
#include "platform/korvanterror.h"
#include "platform/versionrecord.h"
#include "web/servernames.h"
#include "web/webclient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcProgramFiles, "korvant.update", QtInfoMsg)

namespace {

bool renameFile(const QString &from, const QString &to)
{
    return QFile::rename(from, to);
}

} // namespace

ProgramFiles::ProgramFiles(QString programFile, QString workingDirectory)
    : m_program(QFileInfo(programFile).absoluteFilePath()),
      m_workingDirectory(QDir(workingDirectory).absolutePath()), m_rename(renameFile)
{}

QString ProgramFiles::fileName() const
{
    return QFileInfo(m_program).fileName();
}

QString ProgramFiles::oldFile() const
{
    return ServerNames::oldProgramFileName(m_program);
}

QString ProgramFiles::downloadFile() const
{
    return QDir(m_workingDirectory).filePath(ServerNames::newProgramFileName(fileName()));
}

QString ProgramFiles::swapFile() const
{
    return ServerNames::newProgramFileName(oldFile());
}

QString ProgramFiles::DownLoadURL(WebClient &web, const QString &sUrl,
                                  const QString &offeredVersion)
{
    download(web, sUrl, offeredVersion);
    install();
    return ServerNames::newProgramFileName(fileName());
}

void ProgramFiles::download(WebClient &web, const QString &sUrl, const QString &offeredVersion)
{
    const QString transmissionError = u"Erreur de transmission -"_s + fileName();
    // Written under a temporary name and renamed once complete: a failure leaves no ".new".
    QSaveFile file(downloadFile());
    if (!file.open(QIODevice::WriteOnly))
        throw KorvantError(u"Cannot create %1: %2"_s.arg(downloadFile(), file.errorString()));
    // The message as users have always read it in the error box, with its final full stop.
    if (web.Get(sUrl, file, m_downloadCap) <= 0)
        throw KorvantError(transmissionError + u'.');
    if (const QString error = AtomicSave::commit(file); !error.isEmpty())
        throw KorvantError(u"Cannot write %1: %2"_s.arg(downloadFile(), error));
    const QString received = VersionRecord::GetPropertyValue(downloadFile(), u"FileVersion"_s);
    if (received.isEmpty()) {
        QFile::remove(downloadFile());
        throw KorvantError(transmissionError + u": the file is not a Korvant program."_s);
    }
    // A stale or mixed-up file on the server would otherwise be installed in silence, or the
    // same offer would come back after every restart.
    if (received != offeredVersion) {
        QFile::remove(downloadFile());
        const QString offered = offeredVersion.isEmpty()
                                    ? u"the server published no version"_s
                                    : u"the server offered version %1"_s.arg(offeredVersion);
        throw KorvantError(
            u"The update was refused: %1, but the program file it sent is version "
            "%2. The running program (%3) is kept."_s.arg(
                offered, received, VersionRecord::GetPropertyValue(m_program, u"FileVersion"_s)));
    }
}

void ProgramFiles::install()
{
    const QString staged = swapFile();
    const QString backup = oldFile() + u'~';
    const QString download = downloadFile();
    try {
        keepRunPermission(download, m_program);
        if (download != staged) {
            if (QFile::exists(staged) && !QFile::remove(staged))
                throw KorvantError(u"Cannot remove the leftover %1."_s.arg(staged));
            move(download, staged);
        }
    } catch (const KorvantError &) {
        QFile::remove(download);
        throw;
    }
    // The previous ".old" stays until the new program is in place, so a failure can restore it.
    const bool hadOld = QFile::exists(oldFile());
    if (hadOld) {
        QFile::remove(backup);
        try {
            move(oldFile(), backup);
        } catch (const KorvantError &) {
            QFile::remove(staged);
            throw;
        }
    }
    QList<QPair<QString, QString>> undo;
    if (hadOld)
        undo.append({backup, oldFile()});
    try {
        move(m_program, oldFile());
    } catch (const KorvantError &e) {
        QFile::remove(staged);
        rollBack(e.message(), undo);
    }
    undo.prepend({oldFile(), m_program});
    try {
        move(staged, m_program);
    } catch (const KorvantError &e) {
        QFile::remove(staged);
        rollBack(e.message(), undo);
    }
    if (hadOld && !QFile::remove(backup))
        qCWarning(lcProgramFiles) << "could not remove" << backup;
}

void ProgramFiles::revert()
{
    const QString staged = swapFile();
    if (QFile::exists(staged) && !QFile::remove(staged))
        throw KorvantError(u"Cannot remove the leftover %1."_s.arg(staged));
    keepRunPermission(oldFile(), m_program);
    move(oldFile(), staged);
    QList<QPair<QString, QString>> undo{{staged, oldFile()}};
    try {
        move(m_program, oldFile());
    } catch (const KorvantError &e) {
        rollBack(e.message(), undo);
    }
    undo.prepend({oldFile(), m_program});
    try {
        move(staged, m_program);
    } catch (const KorvantError &e) {
        rollBack(e.message(), undo);
    }
}

void ProgramFiles::move(const QString &from, const QString &to)
{
    if (!m_rename(from, to))
        throw KorvantError(u"Cannot move %1 to %2."_s.arg(from, to));
}

void ProgramFiles::rollBack(const QString &failure, const QList<QPair<QString, QString>> &undo)
{
    QString text = failure + u"\nNothing was changed."_s;
    for (const auto &[from, to] : undo) {
        if (!m_rename(from, to)) {
            text = failure +
                   u"\nThe earlier files could not all be put back: %1 is still at %2."_s.arg(to,
                                                                                              from);
        }
    }
    throw KorvantError(text);
}

void ProgramFiles::keepRunPermission(const QString &file, const QString &like)
{
    const QFileDevice::Permissions run = QFileDevice::ExeOwner | QFileDevice::ExeUser |
                                         QFileDevice::ReadOwner | QFileDevice::ReadUser |
                                         QFileDevice::WriteOwner | QFileDevice::WriteUser;
    const QFileDevice::Permissions wanted = QFile::permissions(like) | run;
    if (QFile::permissions(file) != wanted && !QFile::setPermissions(file, wanted))
        throw KorvantError(u"Cannot make %1 runnable."_s.arg(file));
}
