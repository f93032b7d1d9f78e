// The server's ".hls" firmware list: any answer splits into entries, and an entry that is not
// refused names a file inside the program's folder and nowhere else.
#include "firmware/hexlist.h"
#include "fuzzcheck.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = Fuzz::bytes(data, size);
    // The answer is decoded by the character set the server names, Latin-1 by default.
    for (const QString &text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        const QStringList entries = HexList::entries(text);
        FUZZ_CHECK(entries.size() <= text.size());
        for (const QString &entry : entries) {
            FUZZ_CHECK(!entry.contains(u'\r') && !entry.contains(u'\n'));
            if (!HexList::refusal(entry).isEmpty())
                continue;
            const QDir folder(u"/program/folder"_s);
            const QFileInfo target(folder.filePath(entry));
            FUZZ_CHECK(target.absolutePath() == folder.absolutePath());
            FUZZ_CHECK(target.fileName() == entry);
        }
        HexList::savedCopy(text);
    }
    return 0;
}
