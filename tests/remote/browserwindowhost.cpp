// The browser throttle end to end for browser_throttle_test.py: the real main window, offscreen,
// its Link page connected over a pseudo-terminal to the station simulator, and the browser
// throttle switched on by the stored settings as a user leaves them. It prints
//   listening PORT   once the page is served and the station has reported
//   page ADDRESS     the address a phone gets from the QR code (the code in its fragment)
//   wire BYTES       after "wire": what the simulator received since the last "wire",
//                    percent-encoded, so every byte is shown as it was
//   ok COMMAND       or "error COMMAND: why", after each command
// and takes "wire" and "quit". A message box the window would show ends it with an error.
#include "remote/browserthrottle.h"
#include "remote/remotethrottle.h"
#include "support/hostconsole.h"
#include "support/simulatorprocess.h"
#include "support/throttleclient.h"
#include "support/windowfixture.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;
using HostConsole::say;

namespace {

bool waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 10000);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString code = HostConsole::codeArgument();
    if (code.isEmpty())
        return 2;

    SimulatorProcess sim({u"--addresses"_s, u"3,4,5,6"_s, u"--speed-steps"_s, u"31,14,128,31"_s});
    if (!sim.start()) {
        say(u"error start: the simulator did not start"_s);
        return 1;
    }
    const quint16 port = freeTcpPort();
    WindowFixture f({{u"Port"_s, sim.ptyPath()},
                     {u"RemoteBrowserThrottle"_s, 1},
                     {u"RemoteBrowserThrottlePort"_s, int(port)},
                     {u"RemoteBrowserAccessCode"_s, code}});
    const auto failed = [&](const QString &what) {
        say(u"error start: "_s + what + u' ' + f.messages.texts().join(u" | "_s));
        return 1;
    };
    if (!f.window->browserThrottleServer().isListening())
        return failed(u"the browser throttle does not listen"_s);
    f.userSelectsPage(TfKorvant::PageLink);
    f.connect();
    if (!f.window->state().LinkOpen)
        return failed(u"the link did not open"_s);
    // The station reports only when told something; the simulator can be asked to.
    if (!sim.command(u"status"_s, u"status sent"_s) ||
        !waitFor([&] { return f.window->remoteThrottle().hasStatus(); }))
        return failed(u"the station did not report"_s);
    say(u"listening %1"_s.arg(port));
    say(u"page "_s + BrowserThrottleServer::pageAddress(u"127.0.0.1"_s, port, code));

    qsizetype wireSeen = 0;
    const auto run = [&](const QString &command) {
        if (command == u"wire"_s) {
            const QByteArray wire = sim.fetchCapture();
            say(u"wire "_s + QString::fromLatin1(wire.mid(wireSeen).toPercentEncoding()));
            wireSeen = wire.size();
        } else if (command == u"quit"_s) {
            QCoreApplication::quit();
        } else {
            say(u"error "_s + command + u": unknown command"_s);
            return;
        }
        if (!f.messages.boxes.isEmpty())
            say(u"error "_s + command + u": the window said "_s +
                f.messages.texts().join(u" | "_s));
        else
            say(u"ok "_s + command);
    };
    HostConsole::readCommands(&app, run);
    const int status = QCoreApplication::exec();
    f.window.reset();
    return sim.stop() ? status : 1;
}
