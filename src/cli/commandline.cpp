#include "cli/commandline.h"

#include "cli/output.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace Cli {

namespace {

constexpr qsizetype TextWidth = 79;

// Qt's parser prints the description as it stands; a paragraph wraps at the text width, and a
// line that starts with blanks (an example) is kept as it is.
QString wrapped(const QString &text)
{
    QStringList out;
    for (const QString &paragraph : text.split(u'\n')) {
        if (paragraph.startsWith(u' ')) {
            out.append(paragraph);
            continue;
        }
        QString line;
        for (const QString &word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > TextWidth) {
                out.append(line);
                line.clear();
            }
            line += (line.isEmpty() ? QString() : u" "_s) + word;
        }
        out.append(line);
    }
    return out.join(u'\n');
}

} // namespace

Arguments::Arguments(QString command, const QString &description) : m_command(std::move(command))
{
    m_parser.setApplicationDescription(wrapped(description));
    m_parser.addOption(QCommandLineOption({u"h"_s, u"help"_s}, u"Shows this help."_s));
}

void Arguments::addOption(const QCommandLineOption &option)
{
    m_parser.addOption(option);
}

void Arguments::addPositional(const QString &name, const QString &description, bool required)
{
    m_parser.addPositionalArgument(name, description, required ? name : u"[%1]"_s.arg(name));
    m_names.append(name);
    if (required)
        m_required = int(m_names.size());
}

bool Arguments::parse(const QStringList &arguments)
{
    if (!m_parser.parse(QStringList{m_command} + arguments))
        fail(m_parser.errorText());
    if (m_parser.isSet(u"help"_s)) {
        Output::write(helpText());
        return false;
    }
    const QStringList given = m_parser.positionalArguments();
    if (given.size() < m_required)
        fail(u"%1 is missing"_s.arg(m_names.at(given.size())));
    if (given.size() > m_names.size())
        fail(u"unexpected argument \"%1\""_s.arg(given.at(m_names.size())));
    return true;
}

QString Arguments::positional(int index, const QString &fallback) const
{
    const QStringList given = m_parser.positionalArguments();
    return index < given.size() ? given.at(index) : fallback;
}

int Arguments::positiveNumber(const QString &option, int fallback) const
{
    if (!m_parser.isSet(option))
        return fallback;
    bool ok = false;
    const int number = m_parser.value(option).toInt(&ok);
    if (!ok || number < 1)
        fail(u"--%1 needs a whole number of at least 1, not \"%2\""_s.arg(option,
                                                                          m_parser.value(option)));
    return number;
}

QString Arguments::choice(const QString &option, const QStringList &words) const
{
    if (!m_parser.isSet(option))
        return words.constFirst();
    const QString given = m_parser.value(option);
    if (!words.contains(given))
        fail(u"--%1 is one of %2, not \"%3\""_s.arg(option, words.join(u", "_s), given));
    return given;
}

void Arguments::fail(const QString &message) const
{
    throw UsageError(m_command, message);
}

QString Arguments::helpText() const
{
    // Qt's parser names the executable as it was started; the help names the command.
    QString text = m_parser.helpText();
    const QString started = u"Usage: "_s + QCoreApplication::arguments().constFirst();
    if (text.startsWith(started))
        text.replace(0, started.size(), u"Usage: "_s + m_command);
    return text;
}

namespace {

QString commandList(const QString &command, const QString &description,
                    const QList<Command> &commands)
{
    qsizetype width = 0;
    for (const Command &c : commands)
        width = std::max(width, c.name.size());
    QString text =
        u"Usage: %1 <command> [options] [arguments]\n%2\n\nCommands:\n"_s.arg(command, description);
    for (const Command &c : commands)
        text += u"  "_s + c.name.leftJustified(width + 2) + c.summary + u'\n';
    text += u"\n'%1 <command> --help' describes a command.\n"_s.arg(command);
    return text;
}

} // namespace

int dispatch(const QString &command, const QString &description, const QList<Command> &commands,
             const QStringList &arguments)
{
    const QString name = arguments.value(0);
    if (name == u"-h"_s || name == u"--help"_s || name == u"help"_s) {
        Output::write(commandList(command, description, commands));
        return Success;
    }
    if (name.isEmpty())
        throw UsageError(command, u"a command is missing"_s);
    for (const Command &c : commands) {
        if (c.name == name)
            return c.run(command + u' ' + name, arguments.mid(1));
    }
    throw UsageError(command, u"\"%1\" is not a command"_s.arg(name));
}

} // namespace Cli
