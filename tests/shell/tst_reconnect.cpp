#include "support/simulatorprocess.h"
#include "support/windowfixture.h"
#include "ui/colours.h"

#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// A converter pulled out and plugged back in: the window notices the port again and offers to
// reconnect; nothing reaches the station before the user accepts.
class tst_Reconnect : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_devices;

    // The port as the system names it: a link that follows whichever station is plugged in.
    QString plug(const SimulatorProcess &sim)
    {
        const QString link = m_devices.filePath(u"ttyKORVANT0"_s);
        QFile::remove(link);
        QFile::link(sim.ptyPath(), link);
        return link;
    }

private Q_SLOTS:
    void replugAcceptOfferDriveAgain()
    {
        auto first = std::make_unique<SimulatorProcess>();
        QVERIFY(first->start());
        const QString port = plug(*first);
        WindowFixture f(QJsonObject{{u"Port"_s, port}});
        f.userSelectsPage(TfKorvant::PageLink);
        f.connect();
        QVERIFY(f.window->state().LinkOpen);
        auto *offer = f.control<QPushButton>(u"bReconnect"_s);
        QVERIFY(offer->isHidden());

        first->stop(); // pulled out
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->state().LinkOpen, 5000);
        QCOMPARE(f.messages.boxes.size(), 1);

        SimulatorProcess second({u"--addresses"_s, u"9,4,5,6"_s});
        QVERIFY(second.start());
        plug(second); // plugged back in
        QTRY_VERIFY_WITH_TIMEOUT(!offer->isHidden(), 5000);
        QCOMPARE(offer->text(), u"Reconnect to %1"_s.arg(port));
        QCOMPARE(second.fetchCapture(), QByteArray()); // nothing until the user agrees

        offer->click();
        QVERIFY(f.window->state().LinkOpen);
        QVERIFY(offer->isHidden());
        f.control<QAbstractButton>(u"bbDirLoc1"_s)->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.control<QToolButton>(u"bbDirLoc1"_s)->text(),
                                  u"Loco 9\r\n000"_s, 3000);
        QCOMPARE(second.fetchCapture(), QByteArray(":D000"));
    }

    void connectingByHandWithdrawsTheOffer()
    {
        auto first = std::make_unique<SimulatorProcess>();
        QVERIFY(first->start());
        const QString port = plug(*first);
        WindowFixture f(QJsonObject{{u"Port"_s, port}});
        f.connect();
        first->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->state().LinkOpen, 5000);
        SimulatorProcess second;
        QVERIFY(second.start());
        plug(second);
        auto *offer = f.control<QPushButton>(u"bReconnect"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!offer->isHidden(), 5000);
        f.connect();
        QVERIFY(f.window->state().LinkOpen);
        QVERIFY(offer->isHidden());
    }
};

QTEST_MAIN(tst_Reconnect)
#include "tst_reconnect.moc"
