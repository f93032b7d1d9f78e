#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every file dialog of the program goes through here, so tests can choose a file without a
// modal dialog: they install a chooser, as they install a message sink.
namespace FileDialogs {

enum class Mode
{
    Open,
    Save
};

struct Dialog
{
    QString name; // the form's name for it: "OpenDialog2", "SaveDialog1"
    Mode mode = Mode::Open;
    QString filter;        // Qt's form: "TournOut (*.tout)"
    QString defaultSuffix; // added to a typed name without one
    QString folder;        // where the dialog starts; empty for the working directory
};

// Returns the chosen file's path, or an empty text when the user cancelled.
using Chooser = std::function<QString(const Dialog &)>;
void setChooser(Chooser chooser);

// A save dialog asks before it lets the user pick an existing file.
QString choose(QWidget *parent, const Dialog &dialog);

} // namespace FileDialogs
