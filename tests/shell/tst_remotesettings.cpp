#include "remote/browserthrottle.h"
#include "remote/withrottleserver.h"
#include "support/firstrunstore.h"
#include "support/listeningports.h"
#include "support/qrreader.h"
#include "support/throttleclient.h"
#include "support/windowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSpinBox>

using namespace Qt::Literals::StringLiterals;

namespace {

QJsonObject with(QJsonObject values, const QJsonObject &more)
{
    for (auto it = more.begin(); it != more.end(); ++it)
        values.insert(it.key(), it.value());
    return values;
}

// The remote throttles' names as shut-down writes them once any was used: the defaults,
// changed where `changed` says.
QJsonObject remoteStored(const QJsonObject &changed)
{
    return with(FirstRunStore::described(), with({{u"RemoteBrowserThrottle"_s, 0},
                                                  {u"RemoteBrowserThrottlePort"_s, 12080},
                                                  {u"RemoteBrowserAccessCode"_s, u""_s},
                                                  {u"RemoteWiThrottle"_s, 0},
                                                  {u"RemoteWiThrottlePort"_s, 12090}},
                                                 changed));
}

// What the browser throttle on 127.0.0.1 answers to a login with that code.
int loginStatus(quint16 port, const QString &code)
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(u"http://127.0.0.1:%1/login"_s.arg(port)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"text/plain;charset=utf-8"_s);
    std::unique_ptr<QNetworkReply> reply(network.post(request, code.toUtf8()));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 20000))
        return -1;
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

// The Configuration page's "Remote throttles" group: off until the user turns it on, kept
// under names of its own, and the described settings exactly as they were.
class tst_RemoteSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;

    QCheckBox *wiThrottle() const { return f->control<QCheckBox>(u"cbWiThrottle"_s); }
    QSpinBox *wiThrottlePort() const { return f->control<QSpinBox>(u"seWiThrottlePort"_s); }
    QLabel *address() const { return f->control<QLabel>(u"stWiThrottleAddress"_s); }
    WiThrottleServer &server() const { return f->window->withrottleServer(); }
    QCheckBox *browser() const { return f->control<QCheckBox>(u"cbBrowserThrottle"_s); }
    QSpinBox *browserPort() const { return f->control<QSpinBox>(u"seBrowserThrottlePort"_s); }
    QLineEdit *accessCode() const { return f->control<QLineEdit>(u"eAccessCode"_s); }
    QLabel *browserAddress() const { return f->control<QLabel>(u"stBrowserAddress"_s); }
    QLabel *qrCode() const { return f->control<QLabel>(u"imBrowserQrCode"_s); }
    BrowserThrottleServer &browserServer() const { return f->window->browserThrottleServer(); }

    void start(const QJsonObject &stored = {})
    {
        f = std::make_unique<WindowFixture>(with({{u"Port"_s, u"Com1"_s}}, stored));
    }

    // Ends the window, which writes the store, and gives what it holds.
    QJsonObject quit()
    {
        const QString path = f->home.filePath(u"config/Quendrel/Korvant.json"_s);
        f->window.reset();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // Keeps the fixture's folder for the next start: the store stays where it was.
    void restart() { f->window = std::make_unique<TfKorvant>(); }

private Q_SLOTS:
    void cleanup() { f.reset(); }

    void offByDefault()
    {
        start();
        QVERIFY(!wiThrottle()->isChecked());
        QCOMPARE(wiThrottle()->text(), u"WiThrottle (phone throttle apps)"_s);
        QCOMPARE(wiThrottlePort()->value(), 12090);
        QCOMPARE(f->control<QLabel>(u"stWiThrottleNote"_s)->text(),
                 u"WiThrottle has no password in its protocol: anyone on this network can drive "
                 "the locos."_s);
        QVERIFY(address()->isHidden());
        QVERIFY(!server().isListening());
        QVERIFY(!browser()->isChecked());
        QCOMPARE(browser()->text(), u"Browser throttle (any phone's browser)"_s);
        QCOMPARE(browserPort()->value(), 12080);
        QCOMPARE(accessCode()->text(), QString());
        QVERIFY(browserAddress()->isHidden());
        QVERIFY(qrCode()->isHidden());
        QVERIFY(!browserServer().isListening());
        // Nothing else in the window opened the network either.
        QCOMPARE(listeningPorts(), QList<quint16>());
        QVERIFY(f->messages.boxes.isEmpty());
        QCOMPARE(quit(), FirstRunStore::described());
    }

    void switchedOnItIsKeptUnderNamesOfItsOwn()
    {
        start();
        const quint16 port = freeTcpPort();
        wiThrottlePort()->setValue(port);
        wiThrottle()->setChecked(true);
        QVERIFY(server().isListening());
        QVERIFY(listeningPorts().contains(port));
        QVERIFY(!wiThrottlePort()->isEnabled());
        QVERIFY(!address()->isHidden());
        QVERIFY2(address()->text().contains(u"port %1. Throttles connected: 0."_s.arg(port)),
                 qPrintable(address()->text()));
        ThrottleClient phone;
        QVERIFY(phone.connectTo(port));
        QTRY_VERIFY(address()->text().contains(u"Throttles connected: 1. "_s));
        // No system bus here, so no Avahi: phones still connect by address, and are told so.
        QTRY_VERIFY2(address()->text().endsWith(
                         u"Not announced: no mDNS service (Avahi) is running on this computer; "
                         "phones connect by address."_s),
                     qPrintable(address()->text()));
        // "&Default" is for the port's parameters, not for the remote throttles.
        f->control<QPushButton>(u"bDefault"_s)->click();
        QVERIFY(wiThrottle()->isChecked());
        QVERIFY(server().isListening());

        QCOMPARE(quit(), remoteStored(
                             {{u"RemoteWiThrottle"_s, 1}, {u"RemoteWiThrottlePort"_s, int(port)}}));
        restart();
        QVERIFY(wiThrottle()->isChecked());
        QCOMPARE(server().serverPort(), port);
        wiThrottle()->setChecked(false);
        QVERIFY(!server().isListening());
        QVERIFY(wiThrottlePort()->isEnabled());
        QVERIFY(address()->isHidden());
        // Once stored, the names stay, so the next start reads the switch as it was left.
        QCOMPARE(quit(), remoteStored({{u"RemoteWiThrottlePort"_s, int(port)}}));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void storedValuesThatCannotBeUsed_data()
    {
        QTest::addColumn<QJsonObject>("stored");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("port");
        QTest::newRow("switch-as-text") << QJsonObject{{u"RemoteWiThrottle"_s, u"yes"_s}}
                                        << u"Invalid data type for 'RemoteWiThrottle'"_s << 12090;
        QTest::newRow("port-as-text") << QJsonObject{{u"RemoteWiThrottlePort"_s, u"12091"_s}}
                                      << u"Invalid data type for 'RemoteWiThrottlePort'"_s << 12090;
        QTest::newRow("port-out-of-range")
            << QJsonObject{{u"RemoteWiThrottlePort"_s, 70000}}
            << u"'RemoteWiThrottlePort' holds 70000, which is no TCP port (1 to 65535): 12090 "
               "is used."_s
            << 12090;
        QTest::newRow("port-zero") << QJsonObject{{u"RemoteWiThrottlePort"_s, 0}}
                                   << u"'RemoteWiThrottlePort' holds 0, which is no TCP port (1 "
                                      "to 65535): 12090 is used."_s
                                   << 12090;
        QTest::newRow("browser-port-as-text")
            << QJsonObject{{u"RemoteBrowserThrottlePort"_s, u"8080"_s}}
            << u"Invalid data type for 'RemoteBrowserThrottlePort'"_s << 12090;
        QTest::newRow("code-as-number")
            << QJsonObject{{u"RemoteBrowserAccessCode"_s, 4711}}
            << u"Invalid data type for 'RemoteBrowserAccessCode'"_s << 12090;
        QTest::newRow("names-in-other-cases")
            << QJsonObject{{u"remotewithrottleport"_s, 12091}} << QString() << 12091;
    }

    void storedValuesThatCannotBeUsed()
    {
        QFETCH(QJsonObject, stored);
        QFETCH(QString, error);
        QFETCH(int, port);
        start(stored);
        QCOMPARE(f->messages.texts(), error.isEmpty() ? QStringList() : QStringList{error});
        QVERIFY(!wiThrottle()->isChecked());
        QCOMPARE(wiThrottlePort()->value(), port);
        QVERIFY(!server().isListening());
        QVERIFY(!browserServer().isListening());
        QCOMPARE(browserPort()->value(), 12080);
    }

    void aPortThatCannotBeListenedOnIsSaidOnce()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        const int port = holder.serverPort();
        start({{u"RemoteWiThrottle"_s, 1}, {u"RemoteWiThrottlePort"_s, port}});
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.boxes.first().text.startsWith(
                     u"Remote throttles: port %1 cannot be listened on ("_s.arg(port)),
                 qPrintable(f->messages.boxes.first().text));
        QVERIFY(f->messages.boxes.first().text.endsWith(u"). WiThrottle is switched off."_s));
        QVERIFY(!wiThrottle()->isChecked());
        QVERIFY(!server().isListening());
        QVERIFY(address()->isHidden());
        QCOMPARE(quit(), remoteStored({{u"RemoteWiThrottlePort"_s, port}}));
    }

    void theBrowserThrottleMakesUpACodeAndShowsWhereToGo()
    {
        start();
        const quint16 port = freeTcpPort();
        browserPort()->setValue(port);
        browser()->setChecked(true);
        QVERIFY(browserServer().isListening());
        QCOMPARE(browserServer().port(), port);
        const QString code = accessCode()->text();
        QVERIFY2(QRegularExpression(u"^[0-9]{8}$"_s).match(code).hasMatch(), qPrintable(code));
        QVERIFY(!accessCode()->isEnabled());
        QVERIFY(!browserPort()->isEnabled());
        QCOMPARE(loginStatus(port, u"12345678"_s == code ? u"87654321"_s : u"12345678"_s), 403);
        QCOMPARE(loginStatus(port, code), 204);

        const QStringList hosts = WiThrottleServer::hostAddresses();
        QVERIFY(!browserAddress()->isHidden());
        if (hosts.isEmpty()) {
            QCOMPARE(browserAddress()->text(),
                     u"No network address found on this computer; the browser throttle listens "
                     "on port %1. Browsers connected: 0."_s.arg(port));
            QVERIFY(qrCode()->isHidden());
        } else {
            QStringList pages;
            for (const QString &host : hosts)
                pages.append(u"http://%1:%2/"_s.arg(host).arg(port));
            QCOMPARE(browserAddress()->text(),
                     u"Phones open %1 and give the access code, or scan the QR code. Browsers "
                     "connected: 0."_s.arg(pages.join(u" or "_s)));
            QVERIFY(!qrCode()->isHidden());
            // The code is in the fragment, which the browser keeps to itself.
            QCOMPARE(readQrCode(qrCode()->pixmap().toImage()),
                     u"http://%1:%2/#code=%3"_s.arg(hosts.first()).arg(port).arg(code));
        }

        QCOMPARE(quit(), remoteStored({{u"RemoteBrowserThrottle"_s, 1},
                                       {u"RemoteBrowserThrottlePort"_s, int(port)},
                                       {u"RemoteBrowserAccessCode"_s, code}}));
        restart();
        QVERIFY(browser()->isChecked());
        QCOMPARE(accessCode()->text(), code);
        QCOMPARE(loginStatus(port, code), 204);
        browser()->setChecked(false);
        QVERIFY(!browserServer().isListening());
        QVERIFY(browserAddress()->isHidden());
        QVERIFY(qrCode()->isHidden());
        QVERIFY(accessCode()->isEnabled());
        // The user's own code, with what a URL must escape, reaches the QR code intact.
        accessCode()->setText(u" Gleis #3 & 50%  "_s);
        browser()->setChecked(true);
        QCOMPARE(loginStatus(port, u"Gleis #3 & 50%"_s), 204);
        if (!hosts.isEmpty())
            QCOMPARE(
                readQrCode(qrCode()->pixmap().toImage()),
                u"http://%1:%2/#code=Gleis%20%233%20%26%2050%25"_s.arg(hosts.first()).arg(port));
        QCOMPARE(quit(), remoteStored({{u"RemoteBrowserThrottle"_s, 1},
                                       {u"RemoteBrowserThrottlePort"_s, int(port)},
                                       {u"RemoteBrowserAccessCode"_s, u"Gleis #3 & 50%"_s}}));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void aBrowserPortThatCannotBeListenedOnIsSaidOnce()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        const int port = holder.serverPort();
        start({{u"RemoteBrowserThrottle"_s, 1},
               {u"RemoteBrowserThrottlePort"_s, port},
               {u"RemoteBrowserAccessCode"_s, u"4711"_s}});
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.boxes.first().text.startsWith(
                     u"Remote throttles: port %1 cannot be listened on ("_s.arg(port)),
                 qPrintable(f->messages.boxes.first().text));
        QVERIFY(
            f->messages.boxes.first().text.endsWith(u"). The browser throttle is switched off."_s));
        QVERIFY(!browser()->isChecked());
        QVERIFY(!browserServer().isListening());
        QVERIFY(browserAddress()->isHidden());
        QCOMPARE(accessCode()->text(), u"4711"_s);
        QCOMPARE(quit(), remoteStored({{u"RemoteBrowserThrottlePort"_s, port},
                                       {u"RemoteBrowserAccessCode"_s, u"4711"_s}}));
    }
};

QTEST_MAIN(tst_RemoteSettings)
#include "tst_remotesettings.moc"
