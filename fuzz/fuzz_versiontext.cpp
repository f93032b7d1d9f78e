// The ".ver" answer and the version comparison: a published version is never newer unless it
// is well formed, and the comparison is an order (antisymmetric, reflexive, transitive).
#include "fuzzcheck.h"
#include "web/versiontext.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString a =
        VersionText::published(QString::fromLatin1(input.ConsumeRandomLengthString()));
    const QString b =
        VersionText::published(QString::fromLatin1(input.ConsumeRandomLengthString()));
    const QString c = VersionText::published(Fuzz::restAsWireText(input));
    for (const QString &version : {a, b, c}) {
        FUZZ_CHECK(version.isEmpty() || (!isBlank(version.front()) && !isBlank(version.back())));
        FUZZ_CHECK(!VersionText::isNewer(version, version));
        if (!VersionText::isWellFormed(version))
            FUZZ_CHECK(!VersionText::isNewer(version, u"0"_s));
    }
    if (!VersionText::isWellFormed(a) || !VersionText::isWellFormed(b) ||
        !VersionText::isWellFormed(c))
        return 0;
    const int ab = sign(VersionText::compare(a, b));
    const int bc = sign(VersionText::compare(b, c));
    const int ac = sign(VersionText::compare(a, c));
    FUZZ_CHECK(VersionText::compare(a, a) == 0);
    FUZZ_CHECK(ab == -sign(VersionText::compare(b, a)));
    FUZZ_CHECK(VersionText::isNewer(a, b) == (ab > 0));
    if (ab <= 0 && bc <= 0)
        FUZZ_CHECK(ac <= 0);
    if (ab >= 0 && bc >= 0)
        FUZZ_CHECK(ac >= 0);
    return 0;
}
