#include "cv/printcv.h"

#include "platform/reportpreview.h"
#include "web/servernames.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace TfPrintCV {

QList<CvSheetEntry> entriesFrom(const QWidget *mainWindow)
{
    QList<CvSheetEntry> entries;
    for (int cv = 1; cv <= 256; ++cv) {
        const auto *check = mainWindow->findChild<QCheckBox *>(u"CheckBox%1"_s.arg(cv + 58));
        const auto *edit = mainWindow->findChild<QLineEdit *>(u"Edit%1"_s.arg(cv + 32));
        CvSheetEntry entry;
        entry.exists = check != nullptr;
        entry.selected = check && check->checkState() != Qt::Unchecked;
        entry.caption = check ? check->text() : QString();
        entry.value = edit ? edit->text() : QString();
        entries.append(entry);
    }
    return entries;
}

void bbPrintCVSequenceClick(QWidget *mainWindow)
{
    CvSheet sheet(mainWindow->windowTitle(), entriesFrom(mainWindow),
                  ServerNames::webSiteRoot(QStringLiteral(KORVANT_WEB_SITE)),
                  QDateTime::currentDateTime());
    showReportPreview(mainWindow, sheet.report());
}

} // namespace TfPrintCV
