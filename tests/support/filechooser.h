#pragma once

#include "ui/filedialogs.h"

#include <QList>
#include <QStringList>

// Answers the program's file dialogs instead of showing them: each dialog takes the next
// prepared path; none left means the user cancelled. The dialogs asked for are recorded.
class FileChooser final
{
public:
    FileChooser()
    {
        FileDialogs::setChooser([this](const FileDialogs::Dialog &dialog) {
            dialogs.append(dialog);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
    }
    ~FileChooser() { FileDialogs::setChooser({}); }
    Q_DISABLE_COPY_MOVE(FileChooser)

    QStringList answers;
    QList<FileDialogs::Dialog> dialogs;
};
