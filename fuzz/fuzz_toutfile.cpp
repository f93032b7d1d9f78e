// A ".tout" file of any bytes: it decodes, its line ends are all CR LF, and what is saved again
// in the encoding it came in reads back as the same text.
#include "fuzzcheck.h"
#include "turnouts/toutfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ToutFile::Read read = ToutFile::decode(Fuzz::bytes(data, size));
    const QString &text = read.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\r')
            FUZZ_CHECK(i + 1 < text.size() && text.at(i + 1) == u'\n');
        if (text.at(i) == u'\n')
            FUZZ_CHECK(i > 0 && text.at(i - 1) == u'\r');
    }
    const ToutFile::Written written = ToutFile::encode(text, read.encoding);
    if (written.unrepresentable == 0) {
        const ToutFile::Read again = ToutFile::decode(written.bytes);
        FUZZ_CHECK(again.encoding == read.encoding);
        FUZZ_CHECK(again.text == text);
    }
    return 0;
}
