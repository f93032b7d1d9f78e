#include "cv/cvprogrammingpage.h"

#include "cv/cventriesview.h"
#include "cv/cvreport.h"
#include "cv/cvselection.h"
#include "link/comport.h"
#include "link/sharedstate.h"
#include "platform/korvanterror.h"
#include "platform/settingsstore.h"
#include "ui/busycursor.h"
#include "ui/colours.h"
#include "ui/errorguard.h"
#include "ui/memotext.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"
#include "ui/radiogroup.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString DefaultCVName = u"DefaultCV"_s;
const QString UnableToOpen =
    u"Unable to open the Com port - Please select a valid comport first!"_s;
const QString IncompatibleData = u"Incompatible data - Check tab position!"_s;

struct SubPage
{
    QString sheet;
    QString caption;
    QString panel;
    int firstCv;
    int lastCv;
};

const SubPage SubPages[] = {
    {u"TabCVPage1"_s, u"CV Programming Page 1"_s, u"Panel8"_s, 1, 64},
    {u"TabCVPage2"_s, u"CV Programming Page 2"_s, u"Panel11"_s, 65, 172},
    {u"TabCvPage3"_s, u"CV Programming Page 3"_s, u"Panel12"_s, 173, 255},
};

// The memo holds CR LF as one line break: position p of the sent text is this far into it.
int memoPosition(QStringView sentText, int p)
{
    return p - int(sentText.left(p).count(u'\r'));
}

} // namespace

CvProgrammingPage::CvProgrammingPage(TComPort &port, SharedState &state, PortOpener openPort,
                                     QWidget *parent)
    : QWidget(parent), m_port(port), m_state(state), m_openPort(std::move(openPort)),
      m_selection(new CvSelection(this)), m_entries(new CvEntriesView(*m_selection, this))
{
    m_pages = namedControl<QTabWidget>(u"PageControl2"_s, this);
    for (const SubPage &page : SubPages) {
        auto *sheet = namedControl<QWidget>(page.sheet, m_pages);
        auto *panel = namedControl<QFrame>(page.panel, sheet);
        auto *sheetLayout = new QVBoxLayout(sheet);
        sheetLayout->setContentsMargins(2, 2, 2, 2);
        sheetLayout->addWidget(panel);
        auto *panelLayout = new QGridLayout(panel);
        QWidget *entries = m_entries->buildEntries(page.firstCv, page.lastCv, panel);
        if (page.firstCv == CvSelection::FirstCv) {
            auto *title = namedControl<QLabel>(
                u"StaticText10"_s, u"Configuration variable Registers  CV1 - CV255"_s, panel);
            title->setAlignment(Qt::AlignCenter);
            title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            Colours::setBackground(title, Colours::MoneyGreen);
            panelLayout->addWidget(title, 0, 0, 1, 2);
            panelLayout->addWidget(buildFirstPanel(panel), 1, 1);
        }
        panelLayout->addWidget(entries, 1, 0, Qt::AlignTop | Qt::AlignLeft);
        panelLayout->setColumnStretch(0, 1);
        m_pages->addTab(sheet, page.caption);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);
    setLinkOpen(false);
}

QWidget *CvProgrammingPage::buildFirstPanel(QWidget *parent)
{
    auto *controls = new QWidget(parent);
    auto *column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);

    m_options = new RadioGroup(u"rgCvSelect"_s, u" CV Selection Option "_s,
                               {u"Custom"_s, u"Default"_s, u"Select Alll"_s}, controls);
    m_options->setItemIndex(OptionCustom);
    connect(m_options, &RadioGroup::itemIndexChanged, this,
            [this] { guarded(this, [this] { rgCvSelectClick(); }); });
    m_save = namedControl<QPushButton>(u"BitBtn4"_s, u"&Save as Default"_s, controls);
    m_clearAll = namedControl<QPushButton>(u"bbClearAllCV"_s, u"&Clear All"_s, controls);
    connect(m_save, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { BitBtn4Click(); }); });
    connect(m_clearAll, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { bbClearAllCVClick(); }); });
    auto *selectionButtons = new QHBoxLayout;
    selectionButtons->addWidget(m_save);
    selectionButtons->addWidget(m_clearAll);

    m_memo = namedControl<QPlainTextEdit>(u"mMemoCV"_s, controls);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_memo->setMinimumWidth(m_memo->fontMetrics().horizontalAdvance(QString(50, u'0')) +
                            m_memo->verticalScrollBar()->sizeHint().width());
    m_memo->installEventFilter(this);
    // The upload's progress stays visible as a selection while the focus is elsewhere.
    MemoText::showSelectionWithoutFocus(m_memo, true);

    m_gauge = namedControl<QProgressBar>(u"Gauge3"_s, controls);
    m_gauge->setTextVisible(false);
    m_gauge->setFixedHeight(6);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    Colours::paintGauge(m_gauge);

    m_upload = namedControl<QPushButton>(u"sbUploadCV"_s, u"&Start Upload"_s, controls);
    m_cancel = namedControl<QPushButton>(u"sbCancelUploadCV"_s, u"&Cancel Upload"_s, controls);
    m_cancel->setEnabled(false);
    connect(m_upload, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbUploadCVClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sbCancelUploadCVClick(); }); });
    auto *uploadButtons = new QHBoxLayout;
    uploadButtons->addWidget(m_upload);
    uploadButtons->addWidget(m_cancel);
    auto *print = namedControl<QPushButton>(u"bbPrintCVSequence"_s, u"View / Print"_s, controls);

    column->addWidget(m_options);
    column->addLayout(selectionButtons);
    column->addWidget(m_memo, 1);
    column->addWidget(m_gauge);
    column->addLayout(uploadButtons);
    column->addWidget(print);
    return controls;
}

void CvProgrammingPage::setLinkOpen(bool open)
{
    m_linkOpen = open;
    Colours::setBackground(m_memo, open ? Colours::Yellow : Colours::Silver);
    m_upload->setEnabled(open && !isUploading());
}

bool CvProgrammingPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_memo && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true; // the memo holds one sequence text; Enter adds no line
    }
    return QWidget::eventFilter(watched, event);
}

void CvProgrammingPage::BuildCVSequence()
{
    const BusyCursor busy;
    m_memo->setPlainText(m_selection->sequenceText());
}

void CvProgrammingPage::CheckCVList(const QList<int> &cvs)
{
    m_selection->check(cvs);
}

void CvProgrammingPage::rgCvSelectClick()
{
    switch (m_options->itemIndex()) {
    case OptionCustom:
        m_selection->clearAll();
        BuildCVSequence();
        break;
    case OptionDefault:
        selectDefault();
        break;
    case OptionSelectAll:
        m_selection->selectAll();
        BuildCVSequence();
        break;
    default:
        break;
    }
}

void CvProgrammingPage::selectDefault()
{
    m_selection->clearAll();
    {
        SettingsStore MonRegistre;
        if (MonRegistre.openKey()) {
            if (MonRegistre.valueExists(DefaultCVName)) {
                m_memo->setPlainText(MonRegistre.readString(DefaultCVName));
            } else {
                m_memo->clear();
                CheckCVList(CvSelection::DefaultCVList());
            }
            MonRegistre.closeKey();
        }
    }
    // The memo's text, stored or not, is what selects: a store that cannot be opened leaves
    // the memo's present text to be read.
    m_selection->checkCvsIn(MemoText::wireText(m_memo));
}

void CvProgrammingPage::BitBtn4Click()
{
    BuildCVSequence();
    SettingsStore MonRegistre;
    if (MonRegistre.openKey()) {
        MonRegistre.writeString(DefaultCVName, MemoText::wireText(m_memo));
        MonRegistre.closeKey();
    }
}

void CvProgrammingPage::bbClearAllCVClick()
{
    m_selection->clearAll();
    m_options->setItemIndex(OptionCustom);
    BuildCVSequence();
}

void CvProgrammingPage::PrepareCVUpload()
{
    m_selection->prepareUpload();
}

void CvProgrammingPage::sbUploadCVClick()
{
    if (isUploading())
        return;
    PrepareCVUpload();
    BuildCVSequence();
    if (!m_port.connected()) {
        try {
            m_openPort(); // on this page the open event sends ":X100" first
        } catch (const EComPort &) {
            Messages::warning(this, UnableToOpen);
            return;
        }
    }
    startUpload();
}

void CvProgrammingPage::startUpload()
{
    m_sentText = MemoText::wireText(m_memo);
    m_gauge->setMaximum(int(m_sentText.size()));
    m_gauge->setValue(0);
    m_state.CancelRequested = false;
    m_job = new UploadJob(m_port, UploadJob::characters(m_sentText), this);
    m_upload->setEnabled(false);
    m_cancel->setEnabled(true);
    lockSelection(true);
    QTextCursor cursor = m_memo->textCursor();
    cursor.setPosition(0);
    m_memo->setTextCursor(cursor);
    m_memo->setFocus();
    connect(m_job, &UploadJob::unitWritten, this, [this](int index) { showSent(index + 1); });
    connect(m_job, &UploadJob::finished, this,
            [this](UploadJob::Outcome outcome) { finishUpload(outcome); });
    m_job->start();
}

void CvProgrammingPage::showSent(int count)
{
    QTextCursor cursor = m_memo->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(memoPosition(m_sentText, count), QTextCursor::KeepAnchor);
    m_memo->setTextCursor(cursor);
    m_gauge->setValue(count);
}

void CvProgrammingPage::finishUpload(UploadJob::Outcome outcome)
{
    m_job->deleteLater();
    m_job = nullptr;
    lockSelection(false);
    m_cancel->setEnabled(false);
    setLinkOpen(m_linkOpen);
    // A closed port has told the user already (disconnect, or the converter pulled out).
    if (outcome == UploadJob::Outcome::Failed && m_port.usable())
        Messages::warning(this, UnableToOpen);
}

void CvProgrammingPage::lockSelection(bool locked)
{
    m_memo->setReadOnly(locked); // the memo's selection follows the bytes sent
    m_options->setEnabled(!locked);
    m_save->setEnabled(!locked);
    m_clearAll->setEnabled(!locked);
    m_entries->setEntriesEnabled(!locked);
}

void CvProgrammingPage::sbCancelUploadCVClick()
{
    m_state.CancelRequested = true;
    if (!isUploading())
        return;
    // Only the sending stops: the reports the station sent so far wait in the port and are
    // applied once the upload has ended, as those of a finished upload are.
    m_job->cancel();
    m_port.discardUnsentOutput();
}

void CvProgrammingPage::cancelUpload()
{
    // Leaving the page or the link: what the station answered belongs to this upload alone.
    if (!isUploading())
        return;
    m_job->cancel();
    m_port.discardUploadLeftovers();
}

void CvProgrammingPage::ComDataPacket1Packet2(const QString &packet)
{
    ShowCVReceived(packet);
}

void CvProgrammingPage::ShowCVReceived(const QString &packet)
{
    const std::optional<CvReport> report = decodeCvReport(packet);
    // Nothing changes; the window's receive path says so in the status bar, not in a box.
    if (!report)
        throw KorvantError(u"the CV report \"%1\" cannot be read"_s.arg(packet.simplified()));
    if (report->cv == 0) {
        reportIncompatibleData();
        return;
    }
    m_selection->applyReadBack(report->cv, report->value);
}

void CvProgrammingPage::reportIncompatibleData()
{
    // Packets of another page arrive in bursts: one box for the burst, not one each.
    if (m_incompatiblePending)
        return;
    m_incompatiblePending = true;
    QTimer::singleShot(0, this, [this] {
        Messages::warning(this, IncompatibleData);
        m_incompatiblePending = false;
    });
}
