#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

// Memos as the station's pages use them.
namespace MemoText {

// Appends text at the very end, without separator or line break.
void append(QPlainTextEdit *memo, const QString &text);
// Appends a whole line: on a line of its own, and ended, so text appended later starts below.
void appendLine(QPlainTextEdit *memo, const QString &line);
// The memo's lines; a trailing empty line does not count.
QStringList lines(const QPlainTextEdit *memo);
// The memo's whole text with its lines joined by CR LF, as the station receives it.
QString wireText(const QPlainTextEdit *memo);
// Whether the memo shows its selection while another control has the focus.
void showSelectionWithoutFocus(QPlainTextEdit *memo, bool shown);

} // namespace MemoText
