#include "ui/memotext.h"

#include "link/memoryimage.h"
#include "ui/colours.h"

#include <QPalette>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace MemoText {

void append(QPlainTextEdit *memo, const QString &text)
{
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
}

void appendLine(QPlainTextEdit *memo, const QString &line)
{
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    // Text that stopped in the middle of a line gets its line end first; the new line ends
    // with one, so whatever comes next starts on a line of its own.
    if (!end.atBlockStart())
        end.insertBlock();
    end.insertText(line);
    end.insertBlock();
}

QStringList lines(const QPlainTextEdit *memo)
{
    return MemoryImage::lines(wireText(memo));
}

QString wireText(const QPlainTextEdit *memo)
{
    // The raw text keeps every character as it was put in (the plain text would turn
    // U+00A0 into a blank); its paragraph breaks are the memo's line breaks.
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u"\r\n"_s);
    return text;
}

void showSelectionWithoutFocus(QPlainTextEdit *memo, bool shown)
{
    QPalette palette = memo->palette();
    const auto inactive = [&](QPalette::ColorRole role, QPalette::ColorRole like) {
        palette.setColor(QPalette::Inactive, role,
                         palette.color(shown ? QPalette::Active : QPalette::Inactive, like));
    };
    inactive(QPalette::Highlight, shown ? QPalette::Highlight : QPalette::Base);
    inactive(QPalette::HighlightedText, shown ? QPalette::HighlightedText : QPalette::Text);
    memo->setPalette(palette);
    // A later background colour hides the selection as well (see Colours::setBackground).
    memo->setProperty(Colours::SelectionHiddenProperty, !shown);
}

} // namespace MemoText
