// The browser throttle for browser_throttle_test.py: the server on 127.0.0.1 with a station
// that is this program's standard input and output. It prints
//   listening PORT     once it serves
//   sent INSTRUCTION   for every instruction the throttle sends (":S10A")
//   clients N          whenever the number of sockets changes
//   ok COMMAND         or "error COMMAND: why", after each command
// and takes one command a line: "link open", "link closed", "status PACKET" (the 28 hex
// digits the Link page gets), "restart" (stop and listen on the same port again) and "quit".
// The end of its input ends it too.
#include "platform/korvanterror.h"
#include "remote/browserthrottle.h"
#include "remote/remotethrottle.h"
#include "support/hostconsole.h"

using namespace Qt::Literals::StringLiterals;
using HostConsole::say;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString code = HostConsole::codeArgument();
    if (code.isEmpty())
        return 2;

    RemoteThrottle throttle([](const QString &instruction) { say(u"sent "_s + instruction); });
    BrowserThrottleServer server(throttle);
    server.setAccessCode(code);
    QObject::connect(&server, &BrowserThrottleServer::clientCountChanged, &server,
                     [](int count) { say(u"clients %1"_s.arg(count)); });
    if (const QString error = server.listen(0, QHostAddress::LocalHost); !error.isEmpty()) {
        say(u"error listen: "_s + error);
        return 1;
    }
    const quint16 port = server.port();
    say(u"listening %1"_s.arg(port));

    const auto run = [&](const QString &command) {
        const QString failure = failureOf([&] {
            if (command == u"link open"_s) {
                throttle.setLinkOpen(true);
            } else if (command == u"link closed"_s) {
                throttle.setLinkOpen(false);
            } else if (command.startsWith(u"status "_s)) {
                if (!throttle.applyStatusPacket(command.mid(7)))
                    throw KorvantError(u"not a status packet"_s);
            } else if (command == u"restart"_s) {
                server.close();
                if (const QString error = server.listen(port, QHostAddress::LocalHost);
                    !error.isEmpty())
                    throw KorvantError(error);
            } else if (command == u"quit"_s) {
                QCoreApplication::quit();
            } else {
                throw KorvantError(u"unknown command"_s);
            }
        });
        say(failure.isEmpty() ? QString(u"ok "_s + command)
                              : QString(u"error "_s + command + u": "_s + failure));
    };

    HostConsole::readCommands(&app, run);
    return QCoreApplication::exec();
}
