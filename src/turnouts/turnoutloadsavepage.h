#pragma once

#include "link/uploadjob.h"
#include "turnouts/toutfile.h"

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TComPort;
struct SharedState;

// The Turnout Load/Save page: the turnout memo `mMemoReceived`, the one place turnout data
// lives as text. It loads and saves `.tout` files, takes the station's turnout packets, and
// uploads the memo to the station one byte per character.
class TurnoutLoadSavePage final : public QWidget
{
    Q_OBJECT

public:
    TurnoutLoadSavePage(TComPort &port, SharedState &state, QWidget *parent = nullptr);
    ~TurnoutLoadSavePage() override;

    void setLinkOpen(bool open);
    // A turnout packet from the station: appended to the memo as it stands.
    void ComDataPacket1packet(const QString &packet);

    void bbLoadTurnoutFileClick();
    void bbSaveTurnoutFileClick();
    void sbUploadClick();
    void Button2Click();

    // The memo's text as a file or the station gets it: lines joined by CR LF.
    QString memoText() const;
    // Replaces the memo's text with the memory image text of these hex digits.
    void showMemoryImage(const QString &digits);
    void resetProgress();

    bool isUploading() const { return !m_job.isNull(); }
    // Ends a running upload at once (a page change does); the end steps still run.
    void cancelUpload();

private:
    void uploadStep(int index);
    void uploadEnded(UploadJob::Outcome outcome, const QString &error);
    void setUploadControls(bool uploading);
    void selectSent(int documentPosition);

    TComPort &m_port;
    SharedState &m_state;
    ToutFile::Encoding m_lastReadEncoding = ToutFile::Encoding::Ansi;
    QPointer<UploadJob> m_job;
    QString m_uploadText;
    int m_sentInDocument = 0;

    QPlainTextEdit *m_memo = nullptr;
    QLineEdit *m_fileName = nullptr;
    QPushButton *m_load = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_upload = nullptr;
    QProgressBar *m_gauge = nullptr;
    QPushButton *m_clear = nullptr;
    QPlainTextEdit *m_test = nullptr;
};
