#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/korvanterror.h"
#include "platform/textencoding.h"
#include "turnouts/toutfile.h"
#include "turnouts/turnouttable.h"

#include <QFile>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace Cli {

namespace {

// Rows for one table are a few kilobytes; more is not a table.
constexpr qint64 MaxRowBytes = 1024 * 1024;

QByteArray readRows(const QString &path)
{
    const bool standardInput = path.isEmpty() || path == u"-"_s;
    const QString shown = standardInput ? u"standard input"_s : u"file \"%1\""_s.arg(path);
    QFile file(path);
    const bool opened =
        standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened)
        throw KorvantError(u"Cannot open %1. %2"_s.arg(shown, file.errorString()));
    QByteArray bytes;
    while (bytes.size() <= MaxRowBytes) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        throw KorvantError(u"Cannot read %1. %2"_s.arg(shown, file.errorString()));
    if (bytes.size() > MaxRowBytes)
        throw KorvantError(
            u"The rows in %1 are longer than %2 bytes."_s.arg(shown).arg(MaxRowBytes));
    return bytes;
}

int groupOf(QChar letter)
{
    const char16_t c = letter.toUpper().unicode();
    return c >= u'A' && c <= u'Z' ? c - u'A' + 1 : 0;
}

// "A 05/07|": a group letter, a blank (or the tab the decoder's output has) and the row.
TurnoutTable::Rows parseRows(const QString &text)
{
    TurnoutTable::Rows rows;
    const QStringList lines = TextEncoding::withCrLf(text).split(u"\r\n"_s);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.trimmed().isEmpty())
            continue;
        const int group = groupOf(line.at(0));
        const bool separated = line.size() == 1 || line.at(1) == u' ' || line.at(1) == u'\t';
        if (group == 0 || !separated) {
            throw KorvantError(u"Line %1: \"%2\" does not start with a group letter A to Z and a "
                               "blank. Nothing was exported."_s.arg(i + 1)
                                   .arg(line));
        }
        if (rows[group - 1]) {
            throw KorvantError(
                u"Line %1: group %2 is given twice. Nothing was exported."_s.arg(i + 1).arg(
                    TurnoutTable::groupLetter(group)));
        }
        // The encoder page's rows are upper case whatever is typed, so "05o" reads as OPEN.
        rows[group - 1] = line.mid(2).toUpper();
    }
    return rows;
}

} // namespace

int runTurnoutDecode(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"The turnout groups of a .tout file, one line for each group with "
                            "entries: the group letter, a tab, and the entries as the decoder "
                            "page shows them (\"05/ 07| \": / OPEN, | CLOSE)."_s);
    args.addPositional(u"FILE.tout"_s, u"The turnout file."_s);
    if (!args.parse(arguments))
        return Success;
    const ToutFile::Read read = ToutFile::decode(ToutFile::readFile(args.positional(0)));
    const TurnoutTable::Groups groups = TurnoutTable::decode(read.text);
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        const TurnoutGroup &entries = groups[n - 1];
        if (!entries.isEmpty())
            Output::line(QString(TurnoutTable::groupLetter(n)) + u'\t' +
                         TurnoutTable::groupText(entries));
    }
    return Success;
}

int runTurnoutEncode(const QString &command, const QStringList &arguments)
{
    Arguments args(
        command,
        u"The memory image text of a turnout table (16 lines ended by CR LF, what the encoder "
        "page's Export puts in the turnout memo and a .tout file holds), from rows such as\n"
        "  A 05/07|\n"
        "  C 12R 13\n"
        "one a line: a group letter, a blank, the row in the encoder's syntax (two "
        "digits and a mark: /, R, O or T for OPEN, anything else for CLOSE). Groups not given "
        "stay empty. Refused as on the page: more than 222 entries, a row ending in a fragment. "
        "The decode command's output is valid input."_s);
    args.addPositional(u"FILE"_s, u"The rows (default, or \"-\": standard input)."_s, false);
    if (!args.parse(arguments))
        return Success;
    const QString text = TextEncoding::decode(readRows(args.positional(0))).text;
    const QString digits = TurnoutTable::digitsFromRows(parseRows(text));
    Output::write(TurnoutTable::memoryImageText(digits));
    return Success;
}

} // namespace Cli
