#pragma once

#include "cv/cvsheet.h"

class QWidget;

// `TfPrintCV`: the CV sheet of the CV entries, in a print preview.
namespace TfPrintCV {

// CV n from the main window's "CheckBox"(n+58) and "Edit"(n+32); ticked or grayed is selected.
QList<CvSheetEntry> entriesFrom(const QWidget *mainWindow);

void bbPrintCVSequenceClick(QWidget *mainWindow);

} // namespace TfPrintCV
