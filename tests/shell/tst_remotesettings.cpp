#include "remote/withrottleserver.h"
#include "support/firstrunstore.h"
#include "support/listeningports.h"
#include "support/throttleclient.h"
#include "support/windowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

using namespace Qt::Literals::StringLiterals;

namespace {

QJsonObject with(QJsonObject values, const QJsonObject &more)
{
    for (auto it = more.begin(); it != more.end(); ++it)
        values.insert(it.key(), it.value());
    return values;
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
        QTRY_VERIFY(address()->text().endsWith(u"Throttles connected: 1."_s));
        // "&Default" is for the port's parameters, not for the remote throttles.
        f->control<QPushButton>(u"bDefault"_s)->click();
        QVERIFY(wiThrottle()->isChecked());
        QVERIFY(server().isListening());

        QCOMPARE(quit(),
                 with(FirstRunStore::described(),
                      {{u"RemoteWiThrottle"_s, 1}, {u"RemoteWiThrottlePort"_s, int(port)}}));
        restart();
        QVERIFY(wiThrottle()->isChecked());
        QCOMPARE(server().serverPort(), port);
        wiThrottle()->setChecked(false);
        QVERIFY(!server().isListening());
        QVERIFY(wiThrottlePort()->isEnabled());
        QVERIFY(address()->isHidden());
        // Once stored, the names stay, so the next start reads the switch as it was left.
        QCOMPARE(quit(),
                 with(FirstRunStore::described(),
                      {{u"RemoteWiThrottle"_s, 0}, {u"RemoteWiThrottlePort"_s, int(port)}}));
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
        QCOMPARE(quit(), with(FirstRunStore::described(),
                              {{u"RemoteWiThrottle"_s, 0}, {u"RemoteWiThrottlePort"_s, port}}));
    }
};

QTEST_MAIN(tst_RemoteSettings)
#include "tst_remotesettings.moc"
