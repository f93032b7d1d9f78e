#include "ui/filedialogs.h"

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

QString choose(QWidget *parent, const Dialog &dialog)
{
    if (chooser())
        return chooser()(dialog);
    QFileDialog fileDialog(parent);
    fileDialog.setObjectName(dialog.name);
    fileDialog.setNameFilter(dialog.filter);
    fileDialog.setDefaultSuffix(dialog.defaultSuffix);
    if (!dialog.folder.isEmpty())
        fileDialog.setDirectory(dialog.folder);
    if (dialog.mode == Mode::Save) {
        fileDialog.setAcceptMode(QFileDialog::AcceptSave);
        fileDialog.setFileMode(QFileDialog::AnyFile);
    } else {
        fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
        fileDialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (fileDialog.exec() != QDialog::Accepted || fileDialog.selectedFiles().isEmpty())
        return {};
    return fileDialog.selectedFiles().constFirst();
}

} // namespace FileDialogs
