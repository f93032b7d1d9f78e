#include "firmware/hexlist.h"

using namespace Qt::Literals::StringLiterals;

namespace HexList {

namespace {

QStringList lines(QStringView text)
{
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        result.append(text.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        result.append(text.sliced(start).toString());
    return result;
}

} // namespace

QStringList entries(QStringView listText)
{
    return lines(listText);
}

QString refusal(const QString &entry)
{
    if (entry.isEmpty())
        return u"The list entry is empty: there is no file to load."_s;
    bool plain = entry != u"."_s && entry != u".."_s;
    for (const QChar c : entry) {
        // ':' also stands for drive letters and alternate streams elsewhere.
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            plain = false;
    }
    if (!plain) {
        return u"The list entry '%1' is not a plain file name and would be saved outside the "
               "program's folder; nothing was loaded."_s.arg(entry);
    }
    // Any other name could replace one of the program's own files, the program itself too.
    if (entry.size() <= 4 || !entry.endsWith(u".hex"_s, Qt::CaseInsensitive)) {
        return u"The list entry '%1' is not the name of a hex file (ending in \".hex\"); "
               "nothing was loaded."_s.arg(entry);
    }
    return {};
}

QByteArray savedCopy(QStringView text)
{
    QByteArray bytes;
    for (const QString &line : lines(text))
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

QString uploadReminder()
{
    return u"Start Korvant\u00AE Station in BootLoader mode and Upload this new version!"_s;
}

} // namespace HexList
