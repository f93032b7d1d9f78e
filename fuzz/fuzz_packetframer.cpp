// The packet framer fed the station's bytes in arbitrary chunks, under the settings the window
// routes with (and a few others): packets never exceed their size, the buffer stays bounded,
// and each packet ends at the first stop text after its start, or at the size when none lies
// within it.
#include "fuzzcheck.h"
#include "link/packetframer.h"
#include "link/stationwire.h"

#include <QStringList>

namespace {

struct Settings
{
    QString start;
    QString stop;
    int size = 0;
    bool caseInsensitive = false;
    bool includeStrings = false;
};

// The marks compare after upper-casing ASCII letters only, as the framer does.
QString folded(const QString &text, bool caseInsensitive)
{
    if (!caseInsensitive)
        return text;
    QString upper = text;
    for (QChar &c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return upper;
}

void checkPacketEnd(const Settings &settings, const QString &packet)
{
    const QString text = folded(packet, settings.caseInsensitive);
    const QString start = folded(settings.start, settings.caseInsensitive);
    const QString stop = folded(settings.stop, settings.caseInsensitive);
    FUZZ_CHECK(text.startsWith(start.left(settings.size)));
    const qsizetype at = stop.isEmpty() ? -1 : text.indexOf(stop, start.size());
    if (at >= 0)
        FUZZ_CHECK(at + stop.size() == text.size());
    else
        FUZZ_CHECK(text.size() == settings.size);
}

QStringList frame(const Settings &settings, QByteArrayView bytes, const QList<qsizetype> &cuts)
{
    TComDataPacket framer;
    QStringList packets;
    framer.setOnPacket([&packets](const QString &packet) { packets.append(packet); });
    framer.setStartString(settings.start);
    framer.setStopString(settings.stop);
    framer.setSize(settings.size);
    framer.setCaseInsensitive(settings.caseInsensitive);
    framer.setIncludeStrings(settings.includeStrings);
    framer.attach();
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        cut = qBound(from, cut, bytes.size());
        framer.feed(bytes.sliced(from, cut - from));
        from = cut;
        // Without a rule that ends packets the framer passes chunks on and keeps nothing.
        const qsizetype bound = qMax<qsizetype>(TComDataPacket::MaxBufferSize, settings.size);
        FUZZ_CHECK(framer.bufferedText().size() < bound);
    }
    framer.feed(bytes.sliced(from));
    return packets;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    static const int sizes[] = {StationWire::TurnoutPacketSize,
                                StationWire::CvPacketSize,
                                StationWire::LocoStatusPacketSize,
                                0,
                                1,
                                2,
                                3};
    Settings settings;
    settings.size = input.PickValueInArray(sizes);
    if (input.ConsumeBool())
        settings.size = input.ConsumeIntegralInRange(1, 80);
    settings.start = input.ConsumeBool() ? QString(QChar(StationWire::PacketStart))
                                         : QString::fromLatin1(input.ConsumeBytesAsString(2));
    settings.stop = input.ConsumeBool() ? QString(QChar(StationWire::PacketStop))
                                        : QString::fromLatin1(input.ConsumeBytesAsString(2));
    settings.caseInsensitive = input.ConsumeBool();
    settings.includeStrings = input.ConsumeBool();
    QList<qsizetype> cuts;
    const int chunks = input.ConsumeIntegralInRange(0, 16);
    for (int i = 0; i < chunks; ++i)
        cuts.append(input.ConsumeIntegralInRange<qsizetype>(0, 4096));
    std::sort(cuts.begin(), cuts.end());
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArrayView bytes(rest.data(), qsizetype(rest.size()));

    const QStringList chunked = frame(settings, bytes, cuts);
    for (const QString &packet : chunked) {
        FUZZ_CHECK(settings.size <= 0 || packet.size() <= settings.size);
        if (settings.includeStrings && settings.size > 0)
            checkPacketEnd(settings, packet);
    }
    // Where a packet ends follows from the bytes alone, so with a start of one character (that
    // the overflow rule can never cut in half) chunking changes nothing.
    if (settings.start.size() == 1 && settings.size > 0)
        FUZZ_CHECK(frame(settings, bytes, {}) == chunked);
    return 0;
}
