#include "console.h"

#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

Console::Console(QObject *parent) : QObject(parent)
{
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Console::readInput);
}

void Console::say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString Console::helpText()
{
    return u"commands: turnouts, status, capture, await N, quit, help"_s;
}

void Console::readInput()
{
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // End of input (or none at all): the simulator goes on until it is signalled.
        m_notifier->setEnabled(false);
        return;
    }
    m_pending.append(buffer, n);
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        execute(QString::fromLocal8Bit(m_pending.left(end)).trimmed());
        m_pending.remove(0, end + 1);
    }
    if (m_pending.size() > 4096)
        m_pending.clear();
}

void Console::execute(const QString &command)
{
    if (command == u"turnouts" || command == u"t")
        Q_EMIT sendTurnouts();
    else if (command == u"status" || command == u"s")
        Q_EMIT sendStatus();
    else if (command == u"capture" || command == u"c")
        Q_EMIT capture();
    else if (command.startsWith(u"await "_s) && command.mid(6).toLongLong() > 0)
        Q_EMIT awaitReceived(command.mid(6).toLongLong());
    else if (command == u"quit" || command == u"q")
        Q_EMIT quit();
    else if (command == u"help" || command == u"h")
        say(helpText());
    else if (!command.isEmpty())
        say(u"unknown command \"%1\"; "_s.arg(command) + helpText());
}
