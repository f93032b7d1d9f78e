#pragma once

#include <QString>
#include <functional>

class WebClient;

// The running program's file P and the files an update or a revert forms from it: the
// previous version beside it (".old"), the download in the working directory (".new") and the
// swap file beside it. Every rename is checked; a failure puts back what was moved and throws,
// so the program file is never missing or half written.
class ProgramFiles final
{
public:
    // Moves a file to a name that is free; false when it could not.
    using Rename = std::function<bool(const QString &from, const QString &to)>;

    ProgramFiles(QString programFile, QString workingDirectory);

    QString programFile() const { return m_program; }
    QString fileName() const;
    QString oldFile() const;
    QString downloadFile() const;
    QString swapFile() const;

    // Downloads sUrl as the ".new" file and, once it is complete, non-empty and carries a version
    // record whose FileVersion is offeredVersion (the version the user said yes to), makes it
    // the program file; the running one becomes the ".old" file and the download is gone.
    // Gives the download's name.
    QString DownLoadURL(WebClient &web, const QString &sUrl, const QString &offeredVersion);
    // Swaps the program file and the ".old" file.
    void revert();

    // A download longer than this fails (an endless answer must not fill the disk).
    static constexpr qint64 DownloadCap = 256 * 1024 * 1024;
    void setDownloadCap(qint64 bytes) { m_downloadCap = bytes; }
    // For tests that make a rename fail.
    void setRename(Rename rename) { m_rename = std::move(rename); }

private:
    void download(WebClient &web, const QString &sUrl, const QString &offeredVersion);
    void install();
    void move(const QString &from, const QString &to);
    // Runs the undo steps after a failed move; what could not be undone is added to the text.
    [[noreturn]] void rollBack(const QString &failure, const QList<QPair<QString, QString>> &undo);
    void keepRunPermission(const QString &file, const QString &like);

    QString m_program;
    QString m_workingDirectory;
    Rename m_rename;
    qint64 m_downloadCap = DownloadCap;
};
