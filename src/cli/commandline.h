#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

// How the tool reads its command line: a command name (or a group and a command), then that
// command's options and arguments. Exit status 0 on success, 1 when the work failed (a
// KorvantError), 2 when the command line itself is wrong (a UsageError).
namespace Cli {

inline constexpr int Success = 0;
inline constexpr int Failure = 1;
inline constexpr int UsageFailure = 2;

inline const QString ToolName = QStringLiteral("korvant-cli");

class UsageError final : public std::exception
{
public:
    // command: "korvant-cli flash", so the message can say where to find help.
    UsageError(QString command, QString message)
        : m_command(std::move(command)), m_message(std::move(message))
    {}
    const QString &command() const { return m_command; }
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return "usage error"; }

private:
    QString m_command;
    QString m_message;
};

// One command's options and arguments, read with Qt's parser. Every command has --help.
class Arguments final
{
public:
    Arguments(QString command, const QString &description);
    Q_DISABLE_COPY_MOVE(Arguments)

    void addOption(const QCommandLineOption &option);
    // Arguments are required in the order they are added, up to the given count; the rest
    // may be left out.
    void addPositional(const QString &name, const QString &description, bool required = true);

    // Reads what follows the command's name. False when help was asked for (it is printed then).
    bool parse(const QStringList &arguments);

    bool isSet(const QString &option) const { return m_parser.isSet(option); }
    QString value(const QString &option) const { return m_parser.value(option); }
    QStringList positional() const { return m_parser.positionalArguments(); }
    QString positional(int index, const QString &fallback = {}) const;

    // A whole number of at least 1 given to an option, or the fallback when it is not given.
    int positiveNumber(const QString &option, int fallback) const;
    // One of the listed words given to an option, or the first of them when it is not given.
    QString choice(const QString &option, const QStringList &words) const;

    [[noreturn]] void fail(const QString &message) const;
    QString helpText() const;

private:
    QString m_command;
    QCommandLineParser m_parser;
    QStringList m_names;
    int m_required = 0;
};

using Runner = std::function<int(const QString &command, const QStringList &arguments)>;

struct Command
{
    QString name;
    QString summary;
    Runner run;
};

// Runs the command the first argument names with the arguments after it; "--help" (or no
// command at all, which is a usage error) lists the commands.
int dispatch(const QString &command, const QString &description, const QList<Command> &commands,
             const QStringList &arguments);

} // namespace Cli
