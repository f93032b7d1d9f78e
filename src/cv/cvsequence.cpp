#include "cv/cvsequence.h"

#include "link/hexdigits.h"
#include "link/memoryimage.h"
#include "platform/korvanterror.h"

#include <algorithm>

namespace CvSequence {

namespace {

bool isSeparator(QChar c)
{
    return c == u',' || c == u':' || c == u'\r' || c == u'\n';
}

} // namespace

QString text(QList<int> selectedCvs)
{
    std::sort(selectedCvs.begin(), selectedCvs.end());
    selectedCvs.erase(std::unique(selectedCvs.begin(), selectedCvs.end()), selectedCvs.end());
    QString items;
    for (const int cv : selectedCvs) {
        if (cv >= FirstCv && cv <= LastCv)
            HexDigits::appendByte(items, cv);
    }
    return MemoryImage::text(items);
}

QList<int> cvsIn(QStringView text)
{
    QList<int> cvs;
    forEachCvIn(text, [&cvs](int cv) { cvs.append(cv); });
    return cvs;
}

void forEachCvIn(QStringView text, const std::function<void(int cv)> &visit)
{
    for (qsizetype p = 0; p + 1 < text.size(); ++p) {
        const QStringView pair = text.mid(p, 2);
        if (isSeparator(pair[0]) || isSeparator(pair[1]) || pair == u"00")
            continue;
        const std::optional<int> cv = HexDigits::fieldValue(pair);
        if (!cv)
            throw HexDigits::notAnInteger(pair);
        visit(*cv);
    }
}

} // namespace CvSequence
