#pragma once

#include <functional>

class QWidget;

// Runs one event handler; a failure it throws ends the handler and is shown in the general
// error box (the application title and the failure's own text). No exception crosses Qt's
// event loop. Returns false when the handler failed.
bool guarded(QWidget *parent, const std::function<void()> &handler);
