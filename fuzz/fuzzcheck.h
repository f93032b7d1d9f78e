#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

// What every fuzz target shares: a broken promise of the code under test ends the run the way
// a sanitizer finding does, so libFuzzer keeps the input that showed it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace Fuzz {

inline QByteArrayView bytes(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The rest of the provider's bytes, one byte a character, as the station's bytes arrive.
inline QString restAsWireText(FuzzedDataProvider &input)
{
    const std::string rest = input.ConsumeRemainingBytesAsString();
    return QString::fromLatin1(rest.data(), qsizetype(rest.size()));
}

} // namespace Fuzz
