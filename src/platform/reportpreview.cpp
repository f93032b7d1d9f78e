#include "platform/reportpreview.h"

#include "platform/bandreport.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

void showReportPreview(QWidget *parent, const BandReport &report)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(report.title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report](QPrinter *target) { report.print(*target); });
    if (auto *view = preview.findChild<QPrintPreviewWidget *>())
        view->fitInView();
    preview.setWindowState(Qt::WindowMaximized);
    preview.exec();
}
