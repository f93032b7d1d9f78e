// The packet framer fed the station's bytes in arbitrary chunks, under the settings the window
// routes with (and a few others): packets never exceed their size, the buffer stays bounded,
// and each packet was cut by its size or its stop text.
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
    // Each packet was cut either by the size rule or just after its stop text.
    for (const QString &packet : chunked) {
        FUZZ_CHECK(settings.size <= 0 || packet.size() <= settings.size);
        if (!settings.includeStrings || settings.size <= 0)
            continue;
        const Qt::CaseSensitivity cs =
            settings.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        FUZZ_CHECK(packet.startsWith(settings.start.left(settings.size), cs));
        FUZZ_CHECK(packet.size() == settings.size ||
                   (!settings.stop.isEmpty() && packet.endsWith(settings.stop, cs)));
    }
    // The size rule goes before the stop text, so only packets cut by size alone are the same
    // however the bytes were chunked.
    if (settings.stop.isEmpty() && settings.start.size() == 1 && settings.size > 0)
        FUZZ_CHECK(frame(settings, bytes, {}) == chunked);
    return 0;
}
