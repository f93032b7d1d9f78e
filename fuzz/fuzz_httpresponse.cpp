// The web server's answer: whatever the bytes, the reader ends in one state, reads no more
// body than the answer announces, keeps its headers bounded, and comes to the same result
// wherever the connection cuts the bytes.
#include "fuzzcheck.h"
#include "web/httpresponse.h"

#include <vector>

namespace {

struct Result
{
    HttpResponseReader::State state;
    QString failure;
    QByteArray body;
    QString statusLine;
};

Result readInPieces(const QByteArray &answer, const std::vector<qsizetype> &cuts, bool close)
{
    HttpResponseReader reader;
    QByteArray body;
    qsizetype at = 0;
    for (qsizetype cut : cuts) {
        const qsizetype end = std::min(answer.size(), std::max(at, cut));
        reader.feed(QByteArrayView(answer).sliced(at, end - at), body);
        at = end;
    }
    reader.feed(QByteArrayView(answer).sliced(at), body);
    if (close)
        reader.endOfStream();
    FUZZ_CHECK(reader.bodyBytes() == body.size());
    if (reader.isDone() && reader.announcedLength() >= 0 && !reader.isChunked())
        FUZZ_CHECK(body.size() == reader.announcedLength());
    FUZZ_CHECK(reader.hasFailed() == !reader.failure().isEmpty());
    if (close)
        FUZZ_CHECK(reader.isDone() || reader.hasFailed());
    return {reader.state(), reader.failure(), body, reader.statusLine()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool close = input.ConsumeBool();
    std::vector<qsizetype> cuts(input.ConsumeIntegralInRange<int>(0, 16));
    for (qsizetype &cut : cuts)
        cut = input.ConsumeIntegralInRange<qsizetype>(0, 4096);
    std::sort(cuts.begin(), cuts.end());
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray answer(rest.data(), qsizetype(rest.size()));

    const Result whole = readInPieces(answer, {}, close);
    const Result pieces = readInPieces(answer, cuts, close);
    FUZZ_CHECK(whole.state == pieces.state);
    FUZZ_CHECK(whole.failure == pieces.failure);
    FUZZ_CHECK(whole.body == pieces.body);
    FUZZ_CHECK(whole.statusLine == pieces.statusLine);
    return 0;
}
