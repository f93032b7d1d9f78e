#include "turnouts/turnoutloadsavepage.h"

#include "link/comport.h"
#include "link/sharedstate.h"
#include "platform/atomicsave.h"
#include "platform/korvanterror.h"
#include "turnouts/turnouttable.h"
#include "ui/colours.h"
#include "ui/errorguard.h"
#include "ui/filedialogs.h"
#include "ui/memotext.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"

#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const FileDialogs::Dialog OpenDialog2{u"OpenDialog2"_s, FileDialogs::Mode::Open,
                                      u"TournOut (*.tout)"_s, QString(), QString()};
const FileDialogs::Dialog SaveDialog1{u"SaveDialog1"_s, FileDialogs::Mode::Save,
                                      u"Turnout file (*.Tout)"_s, u"tout"_s, QString()};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void writeTurnoutFile(const QString &path, const QByteArray &bytes)
{
    // Written aside and renamed over the old file: a failure leaves the old file as it was.
    if (const QString error = AtomicSave::write(path, bytes); !error.isEmpty())
        throw KorvantError(u"Cannot create file \"%1\". %2"_s.arg(shown(path), error));
}

QPlainTextEdit *makeMemo(const QString &name, QWidget *parent)
{
    auto *memo = namedControl<QPlainTextEdit>(name, parent);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return memo;
}

} // namespace

TurnoutLoadSavePage::TurnoutLoadSavePage(TComPort &port, SharedState &state, QWidget *parent)
    : QWidget(parent), m_port(port), m_state(state)
{
    m_memo = makeMemo(u"mMemoReceived"_s, this);
    m_fileName = namedControl<QLineEdit>(u"eToutLoad"_s, this);
    m_load = namedControl<QPushButton>(u"bbLoadTurnoutFile"_s, u"..."_s, this);
    m_save = namedControl<QPushButton>(u"bbSaveTurnoutFile"_s, u"..."_s, this);
    m_upload = namedControl<QPushButton>(u"sbUpload"_s, u"&Start Upload"_s, this);
    m_gauge = namedControl<QProgressBar>(u"Gauge2"_s, this);
    m_gauge->setTextVisible(false);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setFixedHeight(8);
    Colours::paintGauge(m_gauge);
    m_clear = namedControl<QPushButton>(u"Button2"_s, u"Clear Screen"_s, this);
    m_test = makeMemo(u"mTest"_s, this);
    m_test->setMaximumHeight(90);
    Colours::setBackground(m_test, Colours::Silver);

    auto *files = new QGridLayout;
    files->addWidget(namedControl<QLabel>(u"StaticText2"_s, u"Turnout Data File (Load...)"_s, this),
                     0, 0);
    files->addWidget(m_fileName, 0, 1);
    files->addWidget(m_load, 0, 2);
    files->addWidget(
        namedControl<QLabel>(u"StaticText3"_s, u"Turnout Data File (Save as...)"_s, this), 1, 0);
    files->addWidget(m_save, 1, 2);
    files->setColumnStretch(1, 1);
    auto *uploadRow = new QHBoxLayout;
    uploadRow->addWidget(m_upload);
    uploadRow->addWidget(m_gauge, 1);
    uploadRow->addWidget(m_clear);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addWidget(m_memo, 1);
    layout->addLayout(uploadRow);
    layout->addWidget(m_test);

    connect(m_load, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbLoadTurnoutFileClick(); }); });
    connect(m_save, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbSaveTurnoutFileClick(); }); });
    connect(m_upload, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbUploadClick(); }); });
    connect(m_clear, &QPushButton::clicked, this, [this] { Button2Click(); });
    setLinkOpen(false);
}

TurnoutLoadSavePage::~TurnoutLoadSavePage() = default;

void TurnoutLoadSavePage::setLinkOpen(bool open)
{
    Colours::setBackground(m_memo, open ? Colours::Yellow : Colours::Silver);
    m_upload->setEnabled(open && !isUploading());
}

void TurnoutLoadSavePage::ComDataPacket1packet(const QString &packet)
{
    MemoText::append(m_memo, packet);
}

QString TurnoutLoadSavePage::memoText() const
{
    return MemoText::wireText(m_memo);
}

void TurnoutLoadSavePage::showMemoryImage(const QString &digits)
{
    m_memo->setPlainText(TurnoutTable::memoryImageText(digits));
}

void TurnoutLoadSavePage::resetProgress()
{
    m_gauge->setValue(0);
}

void TurnoutLoadSavePage::bbLoadTurnoutFileClick()
{
    const QString chosen = FileDialogs::choose(this, OpenDialog2);
    if (chosen.isEmpty())
        return;
    m_fileName->setText(chosen);
    // The file is read before the memo is touched: a file that cannot be read leaves the
    // memo's text as it was.
    const ToutFile::Read read = ToutFile::decode(ToutFile::readFile(m_fileName->text()));
    m_memo->setPlainText(read.text);
    m_lastReadEncoding = read.encoding;
    // An empty range would turn the bar into a busy indicator.
    m_gauge->setMaximum(qMax(1, int(MemoText::lines(m_memo).size())));
}

void TurnoutLoadSavePage::bbSaveTurnoutFileClick()
{
    const QString chosen = FileDialogs::choose(this, SaveDialog1);
    if (chosen.isEmpty())
        return;
    const ToutFile::Written written = ToutFile::encode(memoText(), m_lastReadEncoding);
    writeTurnoutFile(chosen, written.bytes);
    if (written.unrepresentable > 0) {
        Messages::warning(
            this, u"The file \"%1\" was saved, but %2 of its characters have no "
                  "place in the %3 code page and were written as \"?\"."_s.arg(shown(chosen))
                      .arg(written.unrepresentable)
                      .arg(ToutFile::codePageName()));
    }
}

void TurnoutLoadSavePage::Button2Click()
{
    m_gauge->setValue(0);
    m_memo->clear();
    m_test->clear();
}

void TurnoutLoadSavePage::sbUploadClick()
{
    const QString text = memoText();
    if (text.isEmpty())
        return;
    m_port.clearBuffers(true, true);
    m_gauge->setMaximum(int(text.size()));
    m_gauge->setValue(0);
    m_state.CancelRequested = false;
    m_memo->moveCursor(QTextCursor::Start);
    m_memo->setFocus();
    m_port.clearBuffers(true, true);

    m_uploadText = text;
    m_sentInDocument = 0;
    auto *job = new UploadJob(m_port, UploadJob::characters(text), this);
    connect(job, &UploadJob::unitDone, this, &TurnoutLoadSavePage::uploadStep);
    connect(job, &UploadJob::finished, this, &TurnoutLoadSavePage::uploadEnded);
    m_job = job;
    setUploadControls(true);
    job->start();
}

void TurnoutLoadSavePage::setUploadControls(bool uploading)
{
    m_upload->setEnabled(!uploading && m_port.connected());
    // What is being sent stays as it is until the upload ends.
    m_memo->setReadOnly(uploading);
    m_load->setEnabled(!uploading);
    m_clear->setEnabled(!uploading);
}

void TurnoutLoadSavePage::uploadStep(int index)
{
    // The memo holds a line break as one character where the wire has CR LF.
    const bool crOfPair = m_uploadText.at(index) == u'\r' && index + 1 < m_uploadText.size() &&
                          m_uploadText.at(index + 1) == u'\n';
    if (!crOfPair)
        ++m_sentInDocument;
    selectSent(m_sentInDocument);
    m_gauge->setValue(index + 1);
    if (m_state.CancelRequested && m_job)
        m_job->cancel();
}

void TurnoutLoadSavePage::selectSent(int documentPosition)
{
    QTextCursor cursor(m_memo->document());
    cursor.setPosition(qMin(documentPosition, m_memo->document()->characterCount() - 1),
                       QTextCursor::KeepAnchor);
    m_memo->setTextCursor(cursor);
}

void TurnoutLoadSavePage::uploadEnded(UploadJob::Outcome outcome, const QString &error)
{
    if (m_job)
        m_job->deleteLater();
    m_job = nullptr;
    m_uploadText.clear();
    setUploadControls(false);
    guarded(this, [&] {
        // A port closed under the upload has painted the page already and said why.
        if (!m_port.usable())
            return;
        Colours::setBackground(m_memo, Colours::Yellow);
        // An upload ended early (the page left, the program closing) drops all it queued. That
        // never fails: a converter pulled out a moment ago is said once, by the port's close.
        if (outcome == UploadJob::Outcome::Cancelled) {
            m_port.discardUploadLeftovers();
            return;
        }
        m_port.clearBuffers(true, true);
        if (outcome == UploadJob::Outcome::Failed)
            throw KorvantError(error);
    });
}

void TurnoutLoadSavePage::cancelUpload()
{
    if (m_job)
        m_job->cancel();
}
