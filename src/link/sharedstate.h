#pragma once

#include <QDateTime>
#include <QString>

// State the main window, its pages and the port layer share; used on the user-interface thread
// only.
struct SharedState
{
    bool LinkOpen = false;        // the port is open (set and cleared by its events)
    bool StatusUpdating = false;  // a loco status packet is being applied to the Link page
    bool CancelRequested = false; // the running upload should stop
    QDateTime UploadStartTime;    // when the running firmware upload started
    QString CurrentStyleName;     // the active visual style, stored as "StyleVSF"
};
