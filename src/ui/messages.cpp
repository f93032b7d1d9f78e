#include "ui/messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace Messages {

namespace {

Sink &sink()
{
    static Sink s;
    return s;
}

bool show(QWidget *parent, const Box &box)
{
    if (sink())
        return sink()(box);
    QMessageBox dialog(parent);
    dialog.setWindowTitle(box.title);
    dialog.setText(box.text);
    switch (box.kind) {
    case Kind::Information:
        dialog.setIcon(QMessageBox::Information);
        break;
    case Kind::Warning:
        dialog.setIcon(QMessageBox::Warning);
        break;
    case Kind::Error:
        dialog.setIcon(QMessageBox::Critical);
        break;
    case Kind::Question:
        dialog.setIcon(QMessageBox::Question);
        break;
    }
    if (box.asksYesNo) {
        dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        dialog.setDefaultButton(box.defaultNo ? QMessageBox::No : QMessageBox::Yes);
        return dialog.exec() == QMessageBox::Yes;
    }
    if (box.button.isEmpty())
        dialog.setStandardButtons(QMessageBox::Ok);
    else
        dialog.addButton(box.button, QMessageBox::AcceptRole);
    dialog.exec();
    return true;
}

Box make(Kind kind, const QString &text, const QString &button = {})
{
    return Box{kind, ApplicationTitle, text, button};
}

} // namespace

void setSink(Sink s)
{
    sink() = std::move(s);
}

void information(QWidget *parent, const QString &text)
{
    show(parent, make(Kind::Information, text));
}

void warning(QWidget *parent, const QString &text)
{
    show(parent, make(Kind::Warning, text));
}

void error(QWidget *parent, const QString &text, const QString &button)
{
    show(parent, make(Kind::Error, text, button));
}

bool question(QWidget *parent, const QString &text, bool defaultNo)
{
    Box box = make(Kind::Question, text);
    box.asksYesNo = true;
    box.defaultNo = defaultNo;
    return show(parent, box);
}

bool offer(QWidget *parent, const QString &text)
{
    Box box = make(Kind::Information, text);
    box.asksYesNo = true;
    return show(parent, box);
}

} // namespace Messages
