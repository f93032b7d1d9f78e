#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here: one modal box with one button, titled
// with the application title. Tests install a sink that records the boxes instead of showing them.
namespace Messages {

// Not the application's display name: the system would add that to every window's title.
inline const QString ApplicationTitle = QStringLiteral("Korvant Application");

enum class Kind
{
    Information,
    Warning,
    Error,
    Question
};

struct Box
{
    Kind kind = Kind::Information;
    QString title;
    QString text;
    QString button;         // a box with a named single button ("Close"); empty for the default
    bool asksYesNo = false; // Yes and No instead of one button
    bool defaultNo = false; // a question whose default button is No
};

// Returns the answer for questions (true = Yes); ignored for the others.
using Sink = std::function<bool(const Box &)>;
void setSink(Sink sink);

void information(QWidget *parent, const QString &text);
void warning(QWidget *parent, const QString &text);
void error(QWidget *parent, const QString &text, const QString &button = {});
// defaultNo: No is the default button (Return answers No), for questions about risky steps.
bool question(QWidget *parent, const QString &text, bool defaultNo = false);
// An information that asks Yes or No, Yes the default: an offer the user may take.
bool offer(QWidget *parent, const QString &text);

} // namespace Messages
