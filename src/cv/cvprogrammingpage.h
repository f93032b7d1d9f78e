#pragma once

#include "link/uploadjob.h"

#include <QWidget>
#include <functional>

class CvEntriesView;
class CvSelection;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class RadioGroup;
class TComPort;
struct SharedState;

// The CV Programming page: the 255 CV entries on the three sub-pages of `PageControl2`, the
// selection options, the stored default selection, the upload of the CV sequence and the
// station's read-back reports.
class CvProgrammingPage final : public QWidget
{
    Q_OBJECT

public:
    // Opens the closed port as "&Connect" does (buffer sizes and time-outs first); throws the
    // port error when it cannot.
    using PortOpener = std::function<void()>;

    enum SelectOption
    {
        OptionCustom = 0,
        OptionDefault = 1,
        OptionSelectAll = 2
    };

    CvProgrammingPage(TComPort &port, SharedState &state, PortOpener openPort,
                      QWidget *parent = nullptr);

    QTabWidget *pageControl() const { return m_pages; }
    CvSelection &selection() const { return *m_selection; }
    void setLinkOpen(bool open);

    void BuildCVSequence();
    void CheckCVList(const QList<int> &cvs);
    // Acts on the option now selected; raised whenever the selection moves to another option.
    void rgCvSelectClick();
    void BitBtn4Click();
    void bbClearAllCVClick();

    void PrepareCVUpload();
    void sbUploadCVClick();
    void sbCancelUploadCVClick();
    // Ends a running upload at once (a page change does); nothing when none runs.
    void cancelUpload();
    bool isUploading() const { return m_job != nullptr; }

    // A CV report from the station.
    void ComDataPacket1Packet2(const QString &packet);
    void ShowCVReceived(const QString &packet);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildFirstPanel(QWidget *parent);
    void selectDefault();
    void startUpload();
    void showSent(int count);
    void finishUpload(UploadJob::Outcome outcome);
    void reportIncompatibleData();
    // The selection an upload reads cannot be changed while it runs.
    void lockSelection(bool locked);

    TComPort &m_port;
    SharedState &m_state;
    PortOpener m_openPort;
    CvSelection *m_selection = nullptr;
    CvEntriesView *m_entries = nullptr;
    UploadJob *m_job = nullptr;
    QString m_sentText;
    bool m_linkOpen = false;
    bool m_incompatiblePending = false;

    QTabWidget *m_pages = nullptr;
    RadioGroup *m_options = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    QProgressBar *m_gauge = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_clearAll = nullptr;
    QPushButton *m_upload = nullptr;
    QPushButton *m_cancel = nullptr;
};
