#include "web/versiontext.h"

#include "link/memoryimage.h"

#include <QList>

namespace VersionText {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

// A field's digits without leading zeros, so that numbers of any length compare as text.
QStringView significant(QStringView field)
{
    qsizetype start = 0;
    while (start < field.size() && field.at(start) == u'0')
        ++start;
    return field.sliced(start);
}

int compareFields(QStringView a, QStringView b)
{
    const QStringView x = significant(a);
    const QStringView y = significant(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

} // namespace

QString published(QStringView fileText)
{
    const QString text = DeleteCRLF(fileText);
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

bool isWellFormed(QStringView version)
{
    if (version.isEmpty())
        return false;
    for (const QStringView field : version.split(u'.')) {
        if (field.isEmpty())
            return false;
        for (const QChar c : field) {
            if (c < u'0' || c > u'9')
                return false;
        }
    }
    return true;
}

int compare(QStringView a, QStringView b)
{
    const QList<QStringView> x = a.split(u'.');
    const QList<QStringView> y = b.split(u'.');
    for (qsizetype i = 0; i < qMax(x.size(), y.size()); ++i) {
        const QStringView left = i < x.size() ? x.at(i) : QStringView(u"0");
        const QStringView right = i < y.size() ? y.at(i) : QStringView(u"0");
        if (const int order = compareFields(left, right); order != 0)
            return order;
    }
    return 0;
}

bool isNewer(QStringView published, QStringView running)
{
    if (!isWellFormed(published))
        return false;
    if (!isWellFormed(running))
        return true;
    return compare(published, running) > 0;
}

} // namespace VersionText
