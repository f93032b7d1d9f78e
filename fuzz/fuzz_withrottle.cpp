// The WiThrottle line parser on any client line: a line over 1 KiB is refused and no other is;
// a parsed command formats to a client line that parses back to it; nothing we format from what
// a client sent carries a control character or splits a roster entry; the line reader, fed in
// any pieces, gives the lines of a plain split and stops at the first line over 1 KiB.
#include "fuzzcheck.h"
#include "remote/withrottleprotocol.h"

#include <algorithm>

using namespace WiThrottle;

namespace {

bool isClean(QByteArrayView line)
{
    if (std::any_of(line.begin(), line.end(),
                    [](char c) { return static_cast<uchar>(c) < 0x20 || c == 0x7F; }))
        return false;
    const QString text = QString::fromUtf8(line);
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.category() == QChar::Other_Control; });
}

qsizetype occurrences(QByteArrayView text, QByteArrayView what)
{
    qsizetype count = 0;
    for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + what.size()))
        ++count;
    return count;
}

void checkReader(QByteArrayView bytes)
{
    QByteArray normalised = bytes.toByteArray();
    normalised.replace('\r', '\n');
    const QList<QByteArray> pieces = normalised.split('\n'); // the last one is not yet ended
    QList<QByteArray> expected;
    bool overflow = false;
    for (qsizetype i = 0; i < pieces.size() && !overflow; ++i) {
        overflow = pieces[i].size() > MaxLineLength;
        if (!overflow && i + 1 < pieces.size() && !pieces[i].isEmpty())
            expected.append(pieces[i]);
    }
    for (const qsizetype step : {bytes.size(), bytes.size() / 2 + 1, qsizetype(1)}) {
        LineReader reader;
        QList<QByteArray> lines;
        bool reading = true;
        for (qsizetype at = 0; at < bytes.size(); at += step) {
            const bool fed =
                reader.feed(bytes.sliced(at, std::min(step, bytes.size() - at)), lines);
            FUZZ_CHECK(reading || !fed);
            reading = fed;
        }
        FUZZ_CHECK(reading == !overflow);
        FUZZ_CHECK(lines == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = Fuzz::bytes(data, size);
    const Command command = parse(bytes);
    FUZZ_CHECK((command.action == Action::Refused) == (bytes.size() > MaxLineLength));
    const QByteArray line = clientLine(command);
    if (command.action == Action::Ignored || command.action == Action::Refused) {
        FUZZ_CHECK(line.isEmpty());
    } else {
        FUZZ_CHECK(isClean(line));
        FUZZ_CHECK(parse(line) == command);
        FUZZ_CHECK(isClean(alert(command.text)));
        FUZZ_CHECK(isClean(functionLabels('0', "S3", {command.text})));
        const QByteArray entry = roster({{command.text, std::max(command.address, 0)}});
        FUZZ_CHECK(isClean(entry));
        FUZZ_CHECK(occurrences(entry, "]\\[") == 1 && occurrences(entry, "}|{") == 2);
    }
    if (command.throttle != 0) {
        const char t = command.throttle;
        for (const QByteArray &answer :
             {acquired(t, command.key), released(t, command.key), speed(t, command.key, 126),
              direction(t, command.key, true), function(t, command.key, command.function, true),
              speedStepMode(t, command.key, 2)})
            FUZZ_CHECK(isClean(answer) && answer.startsWith('M') && answer.size() <= 32);
    }
    checkReader(bytes);
    return 0;
}
