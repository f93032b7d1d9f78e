#pragma once

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

// The console of a host program that a browser test drives: one line of news out for each
// thing the test waits for, one command a line in. The end of the input ends the program.
namespace HostConsole {

inline void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// The access code a host is started with ("--code CODE"); empty, with the usage said, when
// there is none.
inline QString codeArgument()
{
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--code"));
    if (at < 0 || at + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: %s --code CODE\n",
                     qPrintable(QCoreApplication::applicationName()));
        return {};
    }
    return arguments[at + 1];
}

// Runs each command line (trimmed, empty ones left out) as it comes, from the event loop.
inline void readCommands(QObject *owner, std::function<void(const QString &)> run)
{
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, owner);
    auto input = std::make_shared<QByteArray>();
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, input, run] {
        char buffer[1024];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            notifier->setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        input->append(buffer, got);
        for (qsizetype end = input->indexOf('\n'); end >= 0; end = input->indexOf('\n')) {
            const QString command = QString::fromUtf8(input->left(end)).trimmed();
            input->remove(0, end + 1);
            if (!command.isEmpty())
                run(command);
        }
    });
}

} // namespace HostConsole
