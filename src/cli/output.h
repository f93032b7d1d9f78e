#pragma once

#include <QString>
#include <QStringView>

// What the tool writes: results on standard output (UTF-8, exactly the characters given),
// messages and the progress bar on standard error.
namespace Output {

void write(QStringView text);
// The text and LF.
void line(QStringView text);
void flush();

// One message line on standard error.
void error(QStringView line);
// Text on standard error as it stands (the progress bar redraws its line with CR).
void status(QStringView text);
bool errorIsTerminal();

} // namespace Output
