#pragma once

#include <QString>

// What the tool writes: results on standard output (UTF-8, exactly the characters given),
// messages and the progress bar on standard error.
namespace Output {

void write(const QString &text);
// The text and LF.
void line(const QString &text);
void flush();

// One message line on standard error.
void error(const QString &line);
// Text on standard error as it stands (the progress bar redraws its line with CR).
void status(const QString &text);
bool errorIsTerminal();

} // namespace Output
