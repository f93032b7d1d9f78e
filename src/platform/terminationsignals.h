#pragma once

class QObject;

// Ends the event loop when the system asks the program to stop (SIGTERM at log-out, SIGINT
// from a terminal), so the window closes as after "&Quit" and the settings are saved.
void quitOnTerminationSignals(QObject *application);
