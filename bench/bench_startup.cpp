// Time from main() to the shown main window with every page built, and the resident memory
// once it is up. Prints one line: "startup_ms=<ms> rss_mb=<MB>".
// Run: XDG_CONFIG_HOME=$(mktemp -d) QT_QPA_PLATFORM=offscreen build/bench/bench_startup
#include "shell/commainform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // /proc files report no size, so read them whole rather than testing atEnd().
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Korvant Application"));
    TfKorvant window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const qint64 shownAfter = clock.elapsed();
    std::printf("startup_ms=%lld rss_mb=%.1f\n", static_cast<long long>(shownAfter),
                residentMegabytes());
    return 0;
}
