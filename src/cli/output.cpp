#include "cli/output.h"

#include "platform/terminal.h"

#include <cstdio>

namespace Output {

namespace {

void put(std::FILE *stream, QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

void write(const QString &text)
{
    put(stdout, text);
}

void line(const QString &text)
{
    put(stdout, text);
    std::fputc('\n', stdout);
}

void flush()
{
    std::fflush(stdout);
}

void error(const QString &line)
{
    // Whatever the results said so far comes first, as a reader of both streams expects.
    std::fflush(stdout);
    put(stderr, line);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void status(const QString &text)
{
    put(stderr, text);
    std::fflush(stderr);
}

bool errorIsTerminal()
{
    return Terminal::standardErrorIsTerminal();
}

} // namespace Output
