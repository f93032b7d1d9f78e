// The web client against the local stand-in of the maker's server (nginx over HTTPS):
//  - version check: a GET of korvant.ver on a new connection each time (TLS handshake included);
//  - program download: the program file into memory, throughput;
//  - responsiveness: a 10 ms timer runs during each download; the largest gap between its
//    ticks is how long the window would wait for a repaint or a click.
// Run: build/bench/bench_web
#include "benchsupport.h"
#include "support/localwebserver.h"
#include "web/webclient.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Download
{
    double ms = 0;
    qint64 bytes = 0;
    double worstTickGapMs = 0;
    int progressEvents = 0;
};

Download download(WebClient &web, const QString &url)
{
    Download result;
    QElapsedTimer clock;
    const auto connection =
        QObject::connect(&web, &WebClient::work, &web, [&result] { ++result.progressEvents; });
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    const BenchSupport::EventLoopGaps gaps(10);
    clock.start();
    result.bytes = web.Get(url, body);
    result.ms = clock.nsecsElapsed() / 1e6;
    result.worstTickGapMs = gaps.worstMs();
    QObject::disconnect(connection);
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LocalWebServer server;
    if (!server.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", server.configHome().toUtf8());
    WebClient web;

    std::vector<double> checks;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer clock;
        clock.start();
        web.Get(server.url(u"korvant.ver"_s).toString(), WebClient::VersionFileCap);
        checks.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("version check (30 GETs): median %.1f ms, max %.1f ms\n",
                BenchSupport::spread(checks).median, BenchSupport::spread(checks).max);

    for (int i = 0; i < 3; ++i) {
        const Download d = download(web, server.url(u"korvant"_s).toString());
        std::printf("program file: %lld bytes in %.0f ms, %.0f MB/s, %d progress events, "
                    "worst gap between 10 ms ticks %.1f ms\n",
                    static_cast<long long>(d.bytes), d.ms, d.bytes / d.ms / 1000.0,
                    d.progressEvents, d.worstTickGapMs);
    }
    const QString slow = server.hookBaseUrl(LocalWebServer::Hook::Slow).toString() +
                         u"/Korvant_PatternTable_301e.hex"_s;
    const Download d = download(web, slow);
    std::printf("hex file at 16 KiB/s: %lld bytes in %.0f ms, %d progress events, worst gap "
                "between 10 ms ticks %.1f ms\n",
                static_cast<long long>(d.bytes), d.ms, d.progressEvents, d.worstTickGapMs);
    return 0;
}
