#include "platform/terminal.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Terminal {

bool standardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return ::_isatty(2) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

} // namespace Terminal
