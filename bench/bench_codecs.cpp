// The receive path's cost: how fast the framer cuts packets out of the byte stream, and how
// long one loco status packet takes to decode. Run: build/bench/bench_codecs
#include "cv/cvreport.h"
#include "link/packetframer.h"
#include "loco/locostatus.h"

#include <QByteArray>
#include <QString>
#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray statusStream(int packets)
{
    QByteArray stream;
    for (int i = 0; i < packets; ++i)
        stream += "$0304050600" + QByteArray::number(i % 100).rightJustified(2, '0') +
                  "00000F0A1F0001FF%";
    return stream;
}

void routeLinkPage(TComDataPacket &framer, int size, qint64 *delivered)
{
    framer.setOnPacket([delivered](const QString &packet) { *delivered += packet.size(); });
    framer.setCaseInsensitive(true);
    framer.setStartString(u"$"_s);
    framer.setStopString(u"%"_s);
    framer.setSize(size);
}

void feedInChunks(TComDataPacket &framer, const QByteArray &stream, qsizetype chunk)
{
    for (qsizetype at = 0; at < stream.size(); at += chunk)
        framer.feed(QByteArrayView(stream.constData() + at, std::min(chunk, stream.size() - at)));
}

// Status packets as the Link page receives them, in chunks of the given size.
void FramerStatusPackets(benchmark::State &state)
{
    const QByteArray stream = statusStream(4096);
    TComDataPacket framer;
    qint64 delivered = 0;
    routeLinkPage(framer, 30, &delivered);
    for (auto _ : state)
        feedInChunks(framer, stream, state.range(0));
    benchmark::DoNotOptimize(delivered);
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FramerStatusPackets)->Arg(1)->Arg(8)->Arg(64)->Arg(4096);

// Noise without a start text: everything is buffered, searched and dropped at 1024.
void FramerNoise(benchmark::State &state)
{
    const QByteArray stream(1 << 20, 'x');
    TComDataPacket framer;
    qint64 delivered = 0;
    routeLinkPage(framer, 30, &delivered);
    for (auto _ : state)
        feedInChunks(framer, stream, state.range(0));
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FramerNoise)->Arg(64)->Arg(4096);

// Turnout lines, the longest packets (52 characters with CR LF).
void FramerTurnoutLines(benchmark::State &state)
{
    QByteArray stream;
    for (int i = 0; i < 2048; ++i)
        stream += "$:03,04,05,06,0F,04,0A,00,85,07,00,00,8C,00,00,00\r\n%";
    TComDataPacket framer;
    qint64 delivered = 0;
    routeLinkPage(framer, 52, &delivered);
    for (auto _ : state)
        feedInChunks(framer, stream, 64);
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FramerTurnoutLines);

void DecodeLocoStatus(benchmark::State &state)
{
    const QString packet = u"03040506401f0E80110A1FE01008"_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeLocoStatus(packet));
}
BENCHMARK(DecodeLocoStatus);

void DecodeCvReport(benchmark::State &state)
{
    const QString packet = u"C1d=FF\r\n"_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeCvReport(packet));
}
BENCHMARK(DecodeCvReport);

} // namespace

BENCHMARK_MAIN();
