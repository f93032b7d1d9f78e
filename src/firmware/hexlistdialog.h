#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class WebClient;

// How the hex file list closed: a file loaded (its text and the copy saved beside the program),
// "&Cancel" (the page forgets its hex file), or the close box (nothing changes).
struct HexListResult
{
    enum class Action
    {
        Loaded,
        Cancelled,
        Closed
    };
    Action action = Action::Closed;
    QString savedPath;
    QString text;
};

// The dialog `TfHexList`: the firmware files listed on the update server, fetched anew at
// every opening, the last one current.
class TfHexList final : public QDialog
{
    Q_OBJECT

public:
    // programFile names the list (its name with ".hls"), the update address (its version
    // record) and the folder the copy is saved in.
    TfHexList(WebClient &web, const QString &programFile, QWidget *parent = nullptr);

    const HexListResult &result() const { return m_result; }
    QListWidget *lbHexList() const { return m_list; }

    void sbLoadClick();
    void sbCancelClick();
    void lbHexListDblClick();

private:
    void FormCreate();
    void addEntry(const QString &entry);
    void load();
    QString updateUrl() const;

    WebClient &m_web;
    QString m_programFile;
    QListWidget *m_list = nullptr;
    HexListResult m_result;
};

// Opens the dialog modally and gives how it closed.
HexListResult runHexList(QWidget *parent, WebClient &web, const QString &programFile);

// `bHexListClick` of the Firmware Upgrade page: runs the list; a loaded file goes to
// loadHexFile (the page's loader, which fills eHexFile and the hex memo from the saved copy),
// Cancel empties both; when a file is then chosen, the user is reminded to upload it.
void bHexListClick(QWidget *page, WebClient &web, const QString &programFile, QLineEdit *eHexFile,
                   QPlainTextEdit *MHexFile,
                   const std::function<void(const QString &path)> &loadHexFile);
