#pragma once

#include "ui/desktop.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QUrl>

// Records the addresses the program would open and the programs it would start, instead of
// handing them to the desktop; starts succeed unless told otherwise.
class DesktopRecorder final
{
public:
    DesktopRecorder()
    {
        Desktop::setOpener([this](const QUrl &url) {
            opened.append(url);
            return true;
        });
        Desktop::setStarter([this](const QString &program, const QString &workingDirectory) {
            started.append({program, workingDirectory});
            return startSucceeds;
        });
    }
    ~DesktopRecorder()
    {
        Desktop::setOpener({});
        Desktop::setStarter({});
    }
    Q_DISABLE_COPY_MOVE(DesktopRecorder)

    QStringList openedAddresses() const
    {
        QStringList all;
        for (const QUrl &url : opened)
            all.append(url.toString());
        return all;
    }

    QList<QUrl> opened;
    QList<QPair<QString, QString>> started; // program, working directory
    bool startSucceeds = true;
};
