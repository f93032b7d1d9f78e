#pragma once

class BandReport;
class QWidget;

// Shows a report in a print preview under the report's title (also the print job's name),
// maximised and fitted to the page; the user prints it or saves it as PDF from there. Returns
// when the preview is closed.
void showReportPreview(QWidget *parent, const BandReport &report);
