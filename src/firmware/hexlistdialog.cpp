#include "firmware/hexlistdialog.h"

#include "firmware/hexlist.h"
#include "platform/atomicsave.h"
#include "platform/korvanterror.h"
#include "platform/versionrecord.h"
#include "ui/busycursor.h"
#include "ui/errorguard.h"
#include "ui/messages.h"
#include "ui/namedcontrol.h"
#include "web/servernames.h"
#include "web/webclient.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QToolButton *speedButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = namedControl<QToolButton>(name, parent);
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(90);
    return button;
}

void saveCopy(const QString &path, const QByteArray &bytes)
{
    if (const QString error = AtomicSave::write(path, bytes); !error.isEmpty())
        throw KorvantError(u"Cannot save %1: %2"_s.arg(path, error));
}

} // namespace

TfHexList::TfHexList(WebClient &web, const QString &programFile, QWidget *parent)
    : QDialog(parent), m_web(web), m_programFile(QFileInfo(programFile).absoluteFilePath())
{
    setObjectName(u"fHexList"_s);
    setWindowTitle(u"Available HEX files"_s);
    auto *layout = new QVBoxLayout(this);
    auto *heading = namedControl<QLabel>(
        u"StaticText1"_s, u"The following HEX files are available as firmware update"_s, this);
    layout->addWidget(heading);
    m_list = namedControl<QListWidget>(u"lbHexList"_s, this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_list);
    auto *buttons = new QHBoxLayout;
    QToolButton *loadButton = speedButton(u"sbLoad"_s, u"&Load"_s, this);
    QToolButton *cancelButton = speedButton(u"sbCancel"_s, u"&Cancel"_s, this);
    buttons->addStretch();
    buttons->addWidget(loadButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    connect(loadButton, &QToolButton::clicked, this, &TfHexList::sbLoadClick);
    connect(cancelButton, &QToolButton::clicked, this, &TfHexList::sbCancelClick);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TfHexList::lbHexListDblClick);
    FormCreate();
}

QString TfHexList::updateUrl() const
{
    const QString url = VersionRecord::GetPropertyValue(m_programFile, u"UpdateURL"_s);
    if (url.isEmpty())
        throw KorvantError(u"This program file names no update address."_s);
    return url;
}

void TfHexList::FormCreate()
{
    // A list that cannot be fetched is reported; the dialog still opens, empty.
    guarded(parentWidget(), [this] {
        BusyCursor busy;
        const QString list = m_web.Get(
            ServerNames::firmwareListAddress(updateUrl(), QFileInfo(m_programFile).fileName()),
            WebClient::TextFileCap);
        for (const QString &entry : HexList::entries(list))
            addEntry(entry);
        m_list->setCurrentRow(m_list->count() - 1);
    });
}

void TfHexList::addEntry(const QString &entry)
{
    auto *item = new QListWidgetItem(entry, m_list);
    const QString refusal = HexList::refusal(entry);
    if (refusal.isEmpty())
        return;
    // Still listed as the server sent it, but drawn as unusable; loading it says why.
    item->setForeground(m_list->palette().brush(QPalette::Disabled, QPalette::Text));
    item->setToolTip(refusal);
}

void TfHexList::sbLoadClick()
{
    guarded(this, [this] { load(); });
}

void TfHexList::lbHexListDblClick()
{
    sbLoadClick();
}

void TfHexList::load()
{
    const QListWidgetItem *current = m_list->currentItem();
    if (!current)
        throw KorvantError(u"There is no file in the list to load."_s);
    const QString entry = current->text();
    const QString target = QFileInfo(m_programFile).absoluteDir().filePath(entry);
    QString refusal = HexList::refusal(entry);
    if (refusal.isEmpty() && QFileInfo(target).isSymLink()) {
        refusal = u"%1 is a link; the hex file is not saved through it, nothing was loaded."_s.arg(
            target);
    }
    if (!refusal.isEmpty()) {
        Messages::warning(this, refusal);
        return;
    }
    QString text;
    {
        BusyCursor busy;
        text = m_web.Get(ServerNames::hexFileAddress(
                             updateUrl(), QString::fromLatin1(QUrl::toPercentEncoding(entry))),
                         WebClient::TextFileCap);
    }
    saveCopy(target, HexList::savedCopy(text));
    m_result = {HexListResult::Action::Loaded, target, text};
    accept();
}

void TfHexList::sbCancelClick()
{
    m_result = {HexListResult::Action::Cancelled, {}, {}};
    reject();
}

HexListResult runHexList(QWidget *parent, WebClient &web, const QString &programFile)
{
    TfHexList dialog(web, programFile, parent);
    dialog.exec();
    return dialog.result();
}

void bHexListClick(QWidget *page, WebClient &web, const QString &programFile, QLineEdit *eHexFile,
                   QPlainTextEdit *MHexFile,
                   const std::function<void(const QString &path)> &loadHexFile)
{
    const HexListResult result = runHexList(page, web, programFile);
    switch (result.action) {
    case HexListResult::Action::Loaded:
        loadHexFile(result.savedPath);
        break;
    case HexListResult::Action::Cancelled:
        eHexFile->clear();
        MHexFile->clear();
        break;
    case HexListResult::Action::Closed:
        break;
    }
    if (!eHexFile->text().isEmpty())
        Messages::information(page, HexList::uploadReminder());
}
