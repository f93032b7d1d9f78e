#pragma once

#include "turnouts/turnoutreport.h"

class QWidget;

// `TfPrintTurnout`: the turnout sheet of the active turnout page, in a print preview.
namespace TfPrintTurnout {

// The 26 groups as the page with the given main tab index shows them: the decoder page's
// "CheckBox"n and "st"n, or the encoder page's "CheckBox"(n+26) and "Edit"n.
QList<TurnoutReportRow> rowsFrom(const QWidget *mainWindow, int activeTab);

void bbPrintTurnoutClick(QWidget *mainWindow, int activeTab);

} // namespace TfPrintTurnout
