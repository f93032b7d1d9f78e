#include "firmware/firmwarepage.h"

#include "firmware/intelhex.h"
#include "link/comport.h"
#include "link/sharedstate.h"
#include "link/stationwire.h"
#include "platform/textencoding.h"
#include "ui/busycursor.h"
#include "ui/colours.h"
#include "ui/errorguard.h"
#include "ui/filedialogs.h"
#include "ui/memotext.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using FirmwareUpload::Mode;

FirmwarePage::FirmwarePage(TComPort &port, SharedState &state, OptionsSource options,
                           QWidget *parent)
    : QWidget(parent), m_port(port), m_state(state), m_options(std::move(options)),
      m_now([] { return QDateTime::currentDateTime(); })
{
    buildControls();
    setLinkOpen(false);
    m_answerWait = new QTimer(this);
    m_answerWait->setSingleShot(true);
    m_answerWait->setInterval(AnswerPatienceMs);
    connect(m_answerWait, &QTimer::timeout, this, &FirmwarePage::noteSilentBootLoader);
}

void FirmwarePage::setAnswerPatience(int ms)
{
    m_answerWait->setInterval(ms);
}

FirmwarePage::~FirmwarePage() = default;

void FirmwarePage::buildControls()
{
    auto *label = namedControl<QLabel>(u"StaticText1"_s, u"Hex file (load)"_s, this);
    m_fileName = namedControl<QLineEdit>(u"eHexFile"_s, this);
    m_getFile = namedControl<QPushButton>(u"bbGetFile"_s, u"..."_s, this);
    m_getFile->setFixedWidth(32);

    m_hexFile = namedControl<QPlainTextEdit>(u"MHexFile"_s, this);
    m_hexFile->setReadOnly(true);
    m_hexFile->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_hexFile->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_hexFile->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // An upload that moves the focus to the log shows no selection growing here.
    MemoText::showSelectionWithoutFocus(m_hexFile, false);
    m_lines = namedControl<QLabel>(u"stLines"_s, u"Number of lines:"_s, this);

    m_log = namedControl<QPlainTextEdit>(u"Memo"_s, this);
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_progress = namedControl<QProgressBar>(u"Gauge1"_s, this);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    Colours::paintGauge(m_progress);

    m_transmit = namedControl<QPushButton>(u"sbTransmit"_s, u"&Start Upload"_s, this);
    m_cancel = namedControl<QPushButton>(u"sbCancelTransmit"_s, u"&Cancel Update"_s, this);
    m_cancel->setEnabled(false);
    auto *clear = namedControl<QPushButton>(u"bClearScreen"_s, u"Clear Screen"_s, this);
    m_hexList = namedControl<QPushButton>(u"bHexList"_s, u"Available 16F1938 hex files..."_s, this);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(label);
    fileRow->addWidget(m_fileName, 1);
    fileRow->addWidget(m_getFile);
    fileRow->addWidget(m_hexList);
    auto *memos = new QGridLayout;
    memos->addWidget(m_hexFile, 0, 0);
    memos->addWidget(m_log, 0, 1);
    memos->addWidget(m_lines, 1, 0);
    memos->setColumnStretch(0, 3);
    memos->setColumnStretch(1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_transmit);
    buttons->addWidget(m_cancel);
    buttons->addWidget(clear);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(memos, 1);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);

    connect(m_getFile, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbGetFileClick(); }); });
    connect(m_transmit, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbTransmitClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbCancelTransmitClick(); }); });
    connect(clear, &QPushButton::clicked, this, [this] { bClearScreenClick(); });
    connect(m_hexList, &QPushButton::clicked, this, &FirmwarePage::hexListRequested);
}

void FirmwarePage::setLinkOpen(bool open)
{
    Colours::setBackground(m_log, open ? Colours::Yellow : Colours::Silver);
    Colours::setBackground(m_hexFile, open ? Colours::Yellow : Colours::White);
    m_transmit->setEnabled(open);
}

void FirmwarePage::clearOnDisconnect()
{
    m_hexFile->clear();
    m_log->clear();
}

void FirmwarePage::toggleHexMemoWritable()
{
    m_hexFile->setReadOnly(!m_hexFile->isReadOnly());
}

void FirmwarePage::ComPort2RxChar(TComPort &port, int n, bool receiveEventMode)
{
    const bool uploadIdle = m_transmit->isEnabled();
    if (!receiveEventMode && !uploadIdle)
        return;
    const QString chunk = StationWire::charsFromBytes(port.read(n));
    if (uploadIdle)
        showReceived(chunk);
}

void FirmwarePage::showReceived(const QString &chunk)
{
    if (chunk.startsWith(u"\r\r"_s))
        m_log->clear();
    MemoText::append(m_log, chunk);
}

void FirmwarePage::bbGetFileClick()
{
    FileDialogs::Dialog OpenDialog1;
    OpenDialog1.name = u"OpenDialog1"_s;
    OpenDialog1.filter = u"Hex files (*.hex)"_s;
    OpenDialog1.folder = m_fileName->text().isEmpty()
                             ? QFileInfo(QApplication::applicationFilePath()).absolutePath()
                             : m_fileName->text();
    const QString path = FileDialogs::choose(this, OpenDialog1);
    if (!path.isEmpty())
        loadHexFile(path);
}

void FirmwarePage::loadHexFile(const QString &path)
{
    // The running upload reads the memo line by line: its text must stay what is being sent.
    if (isUploading()) {
        Messages::warning(this, u"An upload is running: \"%1\" was not loaded. Load it when "
                                "the upload has ended."_s.arg(QFileInfo(path).fileName()));
        return;
    }
    m_fileName->setText(path);
    m_hexFile->clear();
    m_hexFile->setPlainText(TextEncoding::readTextFile(path));
    const QStringList lines = MemoText::lines(m_hexFile);
    m_lines->setText(u"Number of lines: %1"_s.arg(lines.size()));
    setProgressMaximum(int(lines.size()));
    const IntelHex::CheckResult check = IntelHex::check(lines);
    if (!check.ok) {
        Messages::warning(this, u"This is not a valid Intel HEX file; it would be uploaded as it "
                                "stands.\n"_s +
                                    check.message());
    }
}

void FirmwarePage::sbTransmitClick()
{
    const ConfigValues options = m_options();
    if (options.specialDirect)
        startUpload(Mode::Direct);
    else if (options.specialDirectComm)
        startUpload(Mode::DirectComm);
    else
        startUpload(Mode::Standard);
}

void FirmwarePage::startUpload(Mode mode)
{
    if (isUploading())
        return;
    m_mode = mode;
    m_uploadOptions = m_options();
    const bool standard = mode == Mode::Standard;
    if (!standard)
        m_port.clearBuffers(true, true);
    m_state.CancelRequested = false;
    m_transmit->setEnabled(false);
    m_cancel->setEnabled(true);
    setLoadingEnabled(false);

    const QString wireText = MemoText::wireText(m_hexFile);
    m_uploadLines = MemoText::lines(m_hexFile);
    m_progress->setValue(0);
    setProgressMaximum(int(standard ? wireText.size() : m_uploadLines.size()));
    m_state.UploadStartTime = m_now();
    MemoText::appendLine(m_log, FirmwareUpload::startLine(elapsedMs(), baudName()));

    m_selected = 0;
    m_silenceNoted = false;
    selectHexMemo(0);
    m_hexFile->setFocus();
    if (standard) {
        m_port.clearBuffers(true, true);
        m_busy = std::make_unique<BusyCursor>(Qt::BusyCursor);
        if (!m_uploadOptions.showSelection)
            m_log->setFocus();
    }

    const FirmwareUpload::Options wire{mode, m_uploadOptions.clearToSend,
                                       m_uploadOptions.specialRead};
    m_job = new UploadJob(m_port, FirmwareUpload::units(wire, wireText, m_uploadLines), this);
    connect(m_job, &UploadJob::unitWritten, this, &FirmwarePage::onUnitWritten);
    connect(m_job, &UploadJob::unitDone, this, &FirmwarePage::onUnitDone);
    connect(m_job, &UploadJob::finished, this, &FirmwarePage::onFinished);
    m_job->start();
}

void FirmwarePage::setLoadingEnabled(bool enabled)
{
    m_getFile->setEnabled(enabled);
    m_hexList->setEnabled(enabled);
}

void FirmwarePage::setProgressMaximum(int units)
{
    // A range of 0 to 0 is the bar's busy animation: with nothing to send it stays empty.
    m_progress->setMaximum(std::max(units, 1));
}

void FirmwarePage::onUnitWritten(int index)
{
    if (m_mode == Mode::Standard)
        return;
    m_waitingLine = index + 1;
    m_answerWait->start();
    const QString &line = m_uploadLines.at(index);
    if (m_uploadOptions.showFeedback)
        MemoText::appendLine(m_log, line);
    if (m_mode == Mode::Direct && m_uploadOptions.showSelection) {
        m_selected += int(line.size());
        selectHexMemo(m_selected);
    }
}

void FirmwarePage::onUnitDone(int index)
{
    m_answerWait->stop();
    if (m_mode != Mode::Standard) {
        m_progress->setValue(index + 1);
        return;
    }
    if (m_uploadOptions.clearToSend)
        return; // one write: no progress to show
    m_progress->setValue(index + 1);
    if (m_uploadOptions.showFeedback) {
        // The memo holds its line breaks as one character where the wire has CR LF.
        if (m_job && m_job->unitBytes(index) != "\r")
            selectHexMemo(++m_selected);
    }
}

void FirmwarePage::onFinished(UploadJob::Outcome outcome, const QString &error)
{
    m_answerWait->stop();
    m_job->deleteLater();
    m_busy.reset();
    setLoadingEnabled(true);
    const bool portLost = !m_port.usable();
    if (outcome == UploadJob::Outcome::Failed && !portLost) {
        // Like a port error in the upload loop: reported, and "&Cancel Update" is the way back.
        Messages::error(this, error);
        return;
    }
    m_cancel->setEnabled(false);
    m_transmit->setEnabled(!portLost);
    if (m_mode == Mode::Standard) {
        MemoText::appendLine(m_log, FirmwareUpload::endLine(elapsedMs(), baudName()));
        return;
    }
    m_log->clear();
    for (const QString &line : FirmwareUpload::directSummary(m_mode, elapsedMs(), baudName()))
        MemoText::appendLine(m_log, line);
}

void FirmwarePage::noteSilentBootLoader()
{
    // Said once: a station left in its normal mode stays silent for every line.
    if (m_silenceNoted || !isUploading())
        return;
    m_silenceNoted = true;
    MemoText::appendLine(m_log,
                         u"No XON from the boot loader for %1 s after line %2; still waiting. "
                         "Is the station in boot-loader mode? \"Cancel Update\" stops the "
                         "upload."_s.arg(m_answerWait->interval() / 1000.0)
                             .arg(m_waitingLine));
}

void FirmwarePage::sbCancelTransmitClick()
{
    m_state.CancelRequested = true;
    if (m_job)
        m_job->cancel();
    m_transmit->setEnabled(true);
    m_cancel->setEnabled(false);
    m_progress->setValue(0);
    m_port.clearBuffers(true, true);
}

void FirmwarePage::bClearScreenClick()
{
    m_log->clear();
    m_progress->setValue(0);
}

void FirmwarePage::cancelUpload()
{
    if (!isUploading())
        return;
    m_state.CancelRequested = true;
    m_job->cancel();
    m_port.discardUploadLeftovers();
}

bool FirmwarePage::isUploading() const
{
    return m_job && m_job->isRunning();
}

QStringList FirmwarePage::hexLines() const
{
    return MemoText::lines(m_hexFile);
}

void FirmwarePage::selectHexMemo(int characters)
{
    QTextCursor cursor(m_hexFile->document());
    cursor.setPosition(0);
    cursor.setPosition(characters, QTextCursor::KeepAnchor);
    m_hexFile->setTextCursor(cursor);
}

qint64 FirmwarePage::elapsedMs() const
{
    return m_state.UploadStartTime.msecsTo(m_now());
}

QString FirmwarePage::baudName() const
{
    return PortSettings::name(m_port.settings().baudRate);
}
