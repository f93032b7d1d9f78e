#pragma once

#include "firmware/firmwareupload.h"
#include "link/configvalues.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class BusyCursor;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class TComPort;
struct SharedState;

// The Firmware Upgrade page: loads an Intel HEX file into the hex memo and uploads it to the
// station's boot loader in the mode the Configuration page chooses, as a job that keeps the
// window responsive and stops at once on "&Cancel Update".
class FirmwarePage final : public QWidget
{
    Q_OBJECT

public:
    using OptionsSource = std::function<ConfigValues()>;
    using Clock = std::function<QDateTime()>;

    FirmwarePage(TComPort &port, SharedState &state, OptionsSource options,
                 QWidget *parent = nullptr);
    ~FirmwarePage() override;

    void setLinkOpen(bool open);
    // Disconnecting forgets the loaded hex text and the transfer log.
    void clearOnDisconnect();
    void toggleHexMemoWritable();

    // The received-character event while this page is shown: n bytes wait in the port. In
    // receive-event mode they are read even during an upload (and dropped); otherwise an upload
    // leaves them for itself.
    void ComPort2RxChar(TComPort &port, int n, bool receiveEventMode);
    // A chunk starting with CR CR clears the log first; chunks are appended without separator.
    void showReceived(const QString &chunk);

    void bbGetFileClick();
    // Loads a firmware file into the hex memo; also used for files fetched from the server.
    void loadHexFile(const QString &path);
    void sbTransmitClick();
    void sbCancelTransmitClick();
    void bClearScreenClick();
    // Ends a running upload without a word (page change, quit).
    void cancelUpload();
    bool isUploading() const;
    // The hex memo's lines, as the memo shows them.
    QStringList hexLines() const;

    // Tests fix the clock the log lines are measured with.
    void setClock(Clock clock) { m_now = std::move(clock); }
    // How long the direct modes wait for a line's XON before the log says the boot loader is
    // silent (once an upload; the wait itself goes on until XON or "&Cancel Update").
    static constexpr int AnswerPatienceMs = 5000;
    void setAnswerPatience(int ms);

Q_SIGNALS:
    void hexListRequested();

private:
    void buildControls();
    void startUpload(FirmwareUpload::Mode mode);
    void onUnitWritten(int index);
    void onUnitDone(int index);
    void onFinished(UploadJob::Outcome outcome, const QString &error);
    void noteSilentBootLoader();
    // "..." and "Available 16F1938 hex files...": a file loaded under an upload would change
    // the memo it is sending.
    void setLoadingEnabled(bool enabled);
    void setProgressMaximum(int units);
    void selectHexMemo(int characters);
    qint64 elapsedMs() const;
    QString baudName() const;

    TComPort &m_port;
    SharedState &m_state;
    OptionsSource m_options;
    Clock m_now;

    QLineEdit *m_fileName = nullptr;
    QPlainTextEdit *m_hexFile = nullptr;
    QLabel *m_lines = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_transmit = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_getFile = nullptr;
    QPushButton *m_hexList = nullptr;

    // The running upload and what it shows as it goes.
    QPointer<UploadJob> m_job;
    FirmwareUpload::Mode m_mode = FirmwareUpload::Mode::Standard;
    ConfigValues m_uploadOptions;
    QStringList m_uploadLines;
    int m_selected = 0;
    std::unique_ptr<BusyCursor> m_busy;
    QTimer *m_answerWait = nullptr;
    int m_waitingLine = 0;
    bool m_silenceNoted = false;
};
