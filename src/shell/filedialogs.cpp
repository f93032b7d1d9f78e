#include "shell/filedialogs.h"

#include <QFileDialog>

namespace FileDialogs {

namespace {

Chooser &chooser()
{
    static Chooser c;
    return c;
}

} // namespace

void setChooser(Chooser c)
{
    chooser() = std::move(c);
}

QString choose(QWidget *parent, const Request &request)
{
    if (chooser())
        return chooser()(request);
    QFileDialog dialog(parent, request.caption, request.folder, request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.suffix.isEmpty())
        dialog.setDefaultSuffix(request.suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace FileDialogs
