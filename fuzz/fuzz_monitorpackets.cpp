// The command-line monitor: the station's bytes framed as a page routes them, each packet
// described on one line. Whatever comes, the line holds no control character (C0 or C1) but
// its tab separators, so nothing the station sends can steer the user's terminal.
#include "cli/packettext.h"
#include "fuzzcheck.h"
#include "link/packetframer.h"
#include "link/stationwire.h"

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto page = input.PickValueInArray(
        {PacketText::Page::Link, PacketText::Page::Cv, PacketText::Page::Turnout});
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    TComDataPacket framer;
    framer.setOnPacket([page](const QString &packet) {
        const QString line = PacketText::describe(page, packet);
        for (const QChar c : line)
            FUZZ_CHECK(c == u'\t' || !isControl(c));
    });
    framer.setCaseInsensitive(true);
    framer.setStartString(QString(QChar(StationWire::PacketStart)));
    framer.setStopString(QString(QChar(StationWire::PacketStop)));
    framer.setSize(PacketText::packetSize(page));
    framer.feed(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    // The packet as it was cut, too: the monitor shows packets of any content.
    const QString whole = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    for (const QChar c : PacketText::describe(page, whole))
        FUZZ_CHECK(c == u'\t' || !isControl(c));
    return 0;
}
