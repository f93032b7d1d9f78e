#include "support/simulatorprocess.h"
#include "support/windowfixture.h"
#include "ui/colours.h"

#include <QSlider>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The Link page driving the station simulator: the user's clicks reach the station and the
// station's reports come back onto the page.
class tst_LinkStation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;

private Q_SLOTS:
    void init()
    {
        sim = std::make_unique<SimulatorProcess>(
            QStringList{u"--addresses"_s, u"3,4,5,6"_s, u"--speed-steps"_s, u"31,31,128,14"_s});
        QVERIFY(sim->start());
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()}});
        f->userSelectsPage(TfKorvant::PageLink);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    void cleanup()
    {
        f.reset();
        sim.reset();
    }

    void aFunctionClickComesBackAsALitLamp()
    {
        auto *lamp = f->control<QWidget>(u"PanF11"_s);
        QTest::mouseClick(lamp, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Colours::background(lamp), Colours::Magenta, 3000);
        QCOMPARE(sim->fetchCapture(), QByteArray(":F100"));
        QCOMPARE(f->control<QToolButton>(u"bbDirLoc1"_s)->text(), u"Loco 3\r\n000"_s);
        QCOMPARE(f->control<QSlider>(u"tbSpeedLoco3"_s)->maximum(), 128);
        QCOMPARE(f->control<QSlider>(u"tbSpeedLoco4"_s)->maximum(), 14);
    }

    void drivingALocoIsNeverEchoedBack()
    {
        auto *slider = f->control<QSlider>(u"tbSpeedLoco2"_s);
        slider->setValue(17);
        QTRY_COMPARE_WITH_TIMEOUT(f->control<QToolButton>(u"bbDirLoc2"_s)->text(),
                                  u"Loco 4\r\n017"_s, 3000);
        f->control<QAbstractButton>(u"bbDirLoc2"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!f->control<QWidget>(u"bbDirLoc2_1"_s)->isHidden(), 3000);
        f->control<QAbstractButton>(u"bbEmergencyStop"_s)->click();
        QTRY_COMPARE_WITH_TIMEOUT(slider->value(), 0, 3000);
        // Only the user's three instructions reached the station: the reports moved the
        // slider twice without a word back.
        QCOMPARE(sim->fetchCapture(), QByteArray(":S211:D100:E000"));
        QVERIFY(f->messages.boxes.isEmpty());
    }
};

QTEST_MAIN(tst_LinkStation)
#include "tst_linkstation.moc"
