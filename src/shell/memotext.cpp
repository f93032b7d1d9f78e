#include "shell/memotext.h"

#include "link/memoryimage.h"

#include <QPlainTextEdit>
#include <QTextCursor>

using namespace Qt::Literals::StringLiterals;

namespace MemoText {

void append(QPlainTextEdit *memo, const QString &text)
{
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
}

QStringList lines(const QPlainTextEdit *memo)
{
    return MemoryImage::lines(wireText(memo));
}

QString wireText(const QPlainTextEdit *memo)
{
    QString text = memo->toPlainText();
    text.replace(u'\n', u"\r\n"_s);
    return text;
}

} // namespace MemoText
