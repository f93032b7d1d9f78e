#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class WebClient;

// The USB Drivers page `TabUSB`: downloads the driver archive from the update server into the
// working directory, unpacks it there and starts the installers found under the program's
// folder; its test field fetches any address as text.
class UsbDriversPage final : public QWidget
{
    Q_OBJECT

public:
    explicit UsbDriversPage(WebClient &web, QWidget *parent = nullptr);

    // The running program file, whose record names the update server and whose folder holds
    // the installers (default: this process's); tests use a copy.
    void setProgramFile(const QString &path) { m_programFile = path; }
    // Where the archive is saved and unpacked (default: the current directory at the click).
    void setWorkingDirectory(const QString &path) { m_workingDirectory = path; }
    // The installer for "x86" or "x64" under the program's folder.
    QString installerPath(const QString &architecture) const;

    void TabUSBShow();
    void bbDownloadDriverClick();
    void bbInstallDrivers86Click();
    void bbInstallDrivers64Click();
    void bConnectTestClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString workingDirectory() const;
    void downloadArchive(const QString &zipPath);
    void unpackArchive(const QString &zipPath, const QString &folder);
    void install(const QString &architecture);

    WebClient &m_web;
    QString m_programFile;
    QString m_workingDirectory;
    QPushButton *m_download = nullptr;
    QPushButton *m_install86 = nullptr;
    QPushButton *m_install64 = nullptr;
    QLineEdit *m_testAddress = nullptr;
    QPlainTextEdit *m_memoTest = nullptr;
};
