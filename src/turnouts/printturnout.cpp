#include "turnouts/printturnout.h"

#include "platform/reportpreview.h"
#include "web/servernames.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace TfPrintTurnout {

namespace {

constexpr int DecoderTab = 2;

QString entriesText(const QWidget *mainWindow, bool decoder, int group)
{
    if (decoder) {
        const auto *text = mainWindow->findChild<QLabel *>(u"st%1"_s.arg(group));
        return text ? text->text() : QString();
    }
    const auto *edit = mainWindow->findChild<QLineEdit *>(u"Edit%1"_s.arg(group));
    return edit ? edit->text() : QString();
}

} // namespace

QList<TurnoutReportRow> rowsFrom(const QWidget *mainWindow, int activeTab)
{
    const bool decoder = activeTab == DecoderTab;
    QList<TurnoutReportRow> rows;
    for (int group = 1; group <= TurnoutReport::GroupCount; ++group) {
        const int box = decoder ? group : group + TurnoutReport::GroupCount;
        const auto *check = mainWindow->findChild<QCheckBox *>(u"CheckBox%1"_s.arg(box));
        TurnoutReportRow row;
        row.checked = check && check->isChecked();
        row.caption = check ? check->text() : QString();
        row.entries = entriesText(mainWindow, decoder, group);
        rows.append(row);
    }
    return rows;
}

void bbPrintTurnoutClick(QWidget *mainWindow, int activeTab)
{
    TurnoutReport report(mainWindow->windowTitle(), rowsFrom(mainWindow, activeTab),
                         ServerNames::webSiteRoot(QStringLiteral(KORVANT_WEB_SITE)),
                         QDateTime::currentDateTime());
    showReportPreview(mainWindow, report.report());
}

} // namespace TfPrintTurnout
