#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cv/cvsequence.h"

using namespace Qt::Literals::StringLiterals;

namespace Cli {

namespace {

// "1-5,29": single CVs and ranges, separated by commas.
QList<int> cvList(const QString &list, const Arguments &args)
{
    QList<int> cvs;
    const auto number = [&](QStringView text) {
        bool ok = false;
        const int cv = text.trimmed().toInt(&ok);
        if (!ok || cv < CvSequence::FirstCv || cv > CvSequence::LastCv)
            args.fail(u"\"%1\" in the list is not a CV from %2 to %3"_s.arg(text.trimmed())
                          .arg(CvSequence::FirstCv)
                          .arg(CvSequence::LastCv));
        return cv;
    };
    for (const QStringView item : QStringView(list).split(u',', Qt::SkipEmptyParts)) {
        const qsizetype dash = item.indexOf(u'-');
        if (dash < 0) {
            cvs.append(number(item));
            continue;
        }
        const int first = number(item.left(dash));
        const int last = number(item.mid(dash + 1));
        if (last < first)
            args.fail(u"the range \"%1\" runs backwards"_s.arg(item.trimmed()));
        for (int cv = first; cv <= last; ++cv)
            cvs.append(cv);
    }
    return cvs;
}

} // namespace

int runCvSequence(const QString &command, const QStringList &arguments)
{
    Arguments args(command, u"The CV sequence text of a selection of CVs: what the CV memo shows, "
                            "the stored default keeps and the station receives (800 characters, "
                            "16 lines ended by CR LF)."_s);
    args.addPositional(u"LIST"_s, u"The CVs, for example 1-5,29 (1 to 255)."_s);
    if (!args.parse(arguments))
        return Success;
    Output::write(CvSequence::text(cvList(args.positional(0), args)));
    return Success;
}

} // namespace Cli
