#pragma once

#include <QString>
#include <functional>

class QWidget;

// The file dialogs of the program. Tests install a chooser that answers instead of the user.
namespace FileDialogs {

struct Request
{
    bool save = false;
    QString caption;
    QString folder; // where the dialog starts
    QString filter; // "Hex files (*.hex)"
    QString suffix; // default suffix of a save dialog
};

// Returns the chosen path, or an empty text when the user cancelled.
using Chooser = std::function<QString(const Request &)>;
void setChooser(Chooser chooser);

QString choose(QWidget *parent, const Request &request);

} // namespace FileDialogs
