#include "cv/cventriesview.h"
#include "link/portstatusbar.h"
#include "link/stationwire.h"
#include "loco/locostatus.h"
#include "support/windowfixture.h"
#include "ui/colours.h"

#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The Link page in the real window over a pseudo-terminal: what each control puts on the wire,
// and how each status packet the station sends shows on the page.
class tst_LinkPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;

    // Brings every tab page on the way to the widget to the front, as a user's clicks would.
    static void showPageOf(QWidget *widget)
    {
        for (QWidget *child = widget; child->parentWidget(); child = child->parentWidget()) {
            if (auto *stack = qobject_cast<QStackedWidget *>(child->parentWidget()))
                stack->setCurrentWidget(child);
        }
    }

    void sendStatus(const QString &content)
    {
        QVERIFY(f->pty.write(StationWire::bytesFromChars(StationWire::framePacket(content))));
    }

    // Sends a status and waits until the page has taken it (the title turns yellow).
    void applyStatus(const QString &content)
    {
        Colours::setBackground(f->control<QWidget>(u"stLinkTitle"_s), Colours::MoneyGreen);
        sendStatus(content);
        QTRY_COMPARE_WITH_TIMEOUT(Colours::background(f->control<QWidget>(u"stLinkTitle"_s)),
                                  Colours::Yellow, 2000);
    }

    static QString status(const QString &addresses, const QString &speeds, const QString &steps,
                          const QString &directions, const QString &lamps)
    {
        return addresses + speeds + steps + directions + lamps;
    }

    QSlider *slider(int loco) { return f->control<QSlider>(u"tbSpeedLoco%1"_s.arg(loco)); }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->userSelectsPage(TfKorvant::PageLink);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    void cleanup() { f.reset(); }

    void everyControlSendsItsInstruction_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("sliderValue"); // -1: a click
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("speed-1-to-10") << u"tbSpeedLoco1"_s << 10 << QByteArray(":S10A");
        QTest::newRow("speed-1-to-31") << u"tbSpeedLoco1"_s << 31 << QByteArray(":S11F");
        QTest::newRow("speed-3-to-5") << u"tbSpeedLoco3"_s << 5 << QByteArray(":S305");
        QTest::newRow("dir-1-right") << u"bbDirLoc1"_s << -1 << QByteArray(":D000");
        QTest::newRow("dir-2-left") << u"bbDirLoc2_1"_s << -1 << QByteArray(":D100");
        QTest::newRow("dir-4-right") << u"bbDirLoc4"_s << -1 << QByteArray(":D300");
        QTest::newRow("headlight-1") << u"panH1"_s << -1 << QByteArray(":H000");
        QTest::newRow("headlight-3") << u"PanH3"_s << -1 << QByteArray(":H200");
        QTest::newRow("headlight-4") << u"PanH4"_s << -1 << QByteArray(":H300");
        const char *functions[] = {":F100", ":F200", ":F300", ":F400", ":F500", ":F600",
                                   ":F700", ":F800", ":F900", ":Fa00", ":Fb00", ":Fc00",
                                   ":Fd00", ":Fe00", ":Ff00", ":Fg00"};
        const int lamps[] = {11, 12, 13, 14, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
        for (int i = 0; i < 16; ++i) {
            const QString name = u"PanF%1"_s.arg(lamps[i]);
            QTest::newRow(qPrintable(name)) << name << -1 << QByteArray(functions[i]);
        }
        QTest::newRow("emergency-stop") << u"bbEmergencyStop"_s << -1 << QByteArray(":E000");
    }

    void everyControlSendsItsInstruction()
    {
        QFETCH(QString, control);
        QFETCH(int, sliderValue);
        QFETCH(QByteArray, wire);
        auto *widget = f->control<QWidget>(control);
        QVERIFY(widget);
        if (sliderValue >= 0) {
            static_cast<QSlider *>(widget)->setValue(sliderValue);
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            button->setVisible(true);
            button->click();
        } else {
            QTest::mouseClick(widget, Qt::LeftButton);
        }
        QCOMPARE(f->pty.readAvailable(5), wire);
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    void aFunctionClickLeavesTheLampUntilTheStationReports()
    {
        auto *lamp = f->control<QWidget>(u"PanF11"_s);
        QTest::mouseClick(lamp, Qt::LeftButton);
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":F100"));
        QCOMPARE(Colours::background(lamp), Colours::MoneyGreen);
        applyStatus(u"03000000"_s + u"00000000"_s + u"00"_s + u"00"_s + u"01000000"_s);
        QCOMPARE(Colours::background(lamp), Colours::Magenta);
    }

    void allZeroStatus()
    {
        slider(2)->setValue(20);
        f->pty.drain();
        applyStatus(QString(28, u'0'));
        for (int loco = 1; loco <= 4; ++loco) {
            QVERIFY(!f->control<QWidget>(u"iLoco%1R"_s.arg(loco))->isHidden());
            QVERIFY(f->control<QWidget>(u"iLoco%1L"_s.arg(loco))->isHidden());
            QVERIFY(!f->control<QWidget>(u"bbDirLoc%1"_s.arg(loco))->isHidden());
            QVERIFY(f->control<QWidget>(u"bbDirLoc%1_1"_s.arg(loco))->isHidden());
            QCOMPARE(slider(loco)->maximum(), 14);
            QCOMPARE(slider(loco)->value(), 0);
            QCOMPARE(f->control<QToolButton>(u"bbDirLoc%1"_s.arg(loco))->text(),
                     u"Loco 0\r\n000"_s);
        }
        QCOMPARE(Colours::background(f->control<QWidget>(u"PanH4"_s)), Colours::MoneyGreen);
        QCOMPARE(f->pty.drain(), QByteArray()); // the slider moved by the packet stays silent
        QVERIFY(!f->window->state().StatusUpdating);
    }

    void speedStepsAndPositions_data()
    {
        QTest::addColumn<QString>("packet");
        QTest::addColumn<QList<int>>("maxima");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QString>("caption1");
        QTest::newRow("above-new-maximum-31")
            << status(u"03000000"_s, u"40000000"_s, u"01"_s, u"00"_s, u"00000000"_s)
            << QList<int>{31, 14, 14, 14} << QList<int>{31, 0, 0, 0} << u"Loco 3\r\n064"_s;
        QTest::newRow("steps-0F-all-31")
            << status(u"00000000"_s, u"1F1F1F1F"_s, u"0F"_s, u"00"_s, u"00000000"_s)
            << QList<int>{31, 31, 31, 31} << QList<int>{31, 31, 31, 31} << u"Loco 0\r\n031"_s;
        QTest::newRow("steps-F0-all-128")
            << status(u"0A000000"_s, u"80007F00"_s, u"F0"_s, u"00"_s, u"00000000"_s)
            << QList<int>{128, 128, 128, 128} << QList<int>{128, 0, 127, 0} << u"Loco 10\r\n128"_s;
        QTest::newRow("steps-11-loco1-31")
            << status(u"00000000"_s, u"1F1F0000"_s, u"11"_s, u"00"_s, u"00000000"_s)
            << QList<int>{31, 14, 14, 14} << QList<int>{31, 14, 0, 0} << u"Loco 0\r\n031"_s;
        QTest::newRow("lower-case-digits")
            << status(u"ff000000"_s, u"1f000000"_s, u"0f"_s, u"00"_s, u"00000000"_s)
            << QList<int>{31, 31, 31, 31} << QList<int>{31, 0, 0, 0} << u"Loco 255\r\n031"_s;
    }

    void speedStepsAndPositions()
    {
        QFETCH(QString, packet);
        QFETCH(QList<int>, maxima);
        QFETCH(QList<int>, positions);
        QFETCH(QString, caption1);
        applyStatus(packet);
        for (int loco = 1; loco <= 4; ++loco) {
            QCOMPARE(slider(loco)->maximum(), maxima.at(loco - 1));
            QCOMPARE(slider(loco)->value(), positions.at(loco - 1));
        }
        QCOMPARE(f->control<QToolButton>(u"bbDirLoc1"_s)->text(), caption1);
        QCOMPARE(f->control<QToolButton>(u"bbDirLoc1_1"_s)->text(), caption1);
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    void lampsAndDirections_data()
    {
        QTest::addColumn<QString>("packet");
        QTest::addColumn<QStringList>("lit");
        QTest::addColumn<QStringList>("dark");
        QTest::addColumn<int>("leftFacingLoco"); // 0: none
        QTest::newRow("1F-lights-all-of-loco-1")
            << status(u"00000000"_s, u"00000000"_s, u"00"_s, u"00"_s, u"1F000000"_s)
            << QStringList{u"panH1"_s, u"PanF11"_s, u"PanF12"_s, u"PanF13"_s, u"PanF14"_s}
            << QStringList{u"panH2"_s, u"PanF21"_s} << 0;
        QTest::newRow("E0-lights-none")
            << status(u"00000000"_s, u"00000000"_s, u"00"_s, u"00"_s, u"E0E0E0E0"_s)
            << QStringList{}
            << QStringList{u"panH1"_s, u"PanH4"_s, u"PanF11"_s, u"PanF25"_s, u"PanF32"_s} << 0;
        QTest::newRow("loco-3-lamps-and-direction")
            << status(u"00000000"_s, u"00000000"_s, u"00"_s, u"F4"_s, u"00001800"_s)
            << QStringList{u"PanH3"_s, u"PanF28"_s} << QStringList{u"PanF25"_s, u"PanF24"_s} << 3;
    }

    void lampsAndDirections()
    {
        QFETCH(QString, packet);
        QFETCH(QStringList, lit);
        QFETCH(QStringList, dark);
        QFETCH(int, leftFacingLoco);
        applyStatus(packet);
        for (const QString &lamp : lit)
            QCOMPARE(Colours::background(f->control<QWidget>(lamp)), Colours::Magenta);
        for (const QString &lamp : dark)
            QCOMPARE(Colours::background(f->control<QWidget>(lamp)), Colours::MoneyGreen);
        for (int loco = 1; loco <= 4; ++loco) {
            const bool left = loco == leftFacingLoco;
            QCOMPARE(f->control<QWidget>(u"iLoco%1L"_s.arg(loco))->isHidden(), !left);
            QCOMPARE(f->control<QWidget>(u"bbDirLoc%1_1"_s.arg(loco))->isHidden(), !left);
            QCOMPARE(f->control<QWidget>(u"bbDirLoc%1"_s.arg(loco))->isHidden(), left);
        }
    }

    void packetsOfOtherLengthsChangeNothing_data()
    {
        QTest::addColumn<QString>("packet");
        QTest::newRow("27") << QString(27, u'1');
        QTest::newRow("29") << QString(29, u'1');
    }

    void packetsOfOtherLengthsChangeNothing()
    {
        QFETCH(QString, packet);
        Colours::setBackground(f->control<QWidget>(u"stLinkTitle"_s), Colours::SkyBlue);
        // The next packet's start behind it: once the framer holds that, the odd packet was
        // framed and handed to the page.
        const QString next = StationWire::framePacket(QString(28, u'0'));
        sendStatus(packet);
        QVERIFY(f->pty.write(StationWire::bytesFromChars(next.left(1))));
        const TComDataPacket &framer = f->window->packetFramer();
        QTRY_VERIFY_WITH_TIMEOUT(framer.isInPacket() && framer.bufferedText() == next.left(1),
                                 2000);
        QCOMPARE(Colours::background(f->control<QWidget>(u"stLinkTitle"_s)), Colours::SkyBlue);
        QCOMPARE(f->control<QToolButton>(u"bbDirLoc1"_s)->text(), u"Loco 1"_s);
        // The next good packet is framed and applied.
        QVERIFY(f->pty.write(StationWire::bytesFromChars(next.mid(1))));
        QTRY_COMPARE_WITH_TIMEOUT(Colours::background(f->control<QWidget>(u"stLinkTitle"_s)),
                                  Colours::Yellow, 2000);
        QCOMPARE(f->control<QToolButton>(u"bbDirLoc1"_s)->text(), u"Loco 0\r\n000"_s);
    }

    // A short packet ends at its "%", so the status right behind it in the same chunk is framed
    // on its own instead of being cut into the short one's thirty characters.
    void aShortPacketLeavesTheNextStatusWhole()
    {
        const QString good = status(u"05000000"_s, u"00000000"_s, u"00"_s, u"00"_s, u"00000000"_s);
        Colours::setBackground(f->control<QWidget>(u"stLinkTitle"_s), Colours::MoneyGreen);
        QVERIFY(
            f->pty.write("$03G4%" + StationWire::bytesFromChars(StationWire::framePacket(good))));
        QTRY_COMPARE_WITH_TIMEOUT(f->control<QToolButton>(u"bbDirLoc1"_s)->text(),
                                  u"Loco 5\r\n000"_s, 2000);
        QCOMPARE(Colours::background(f->control<QWidget>(u"stLinkTitle"_s)), Colours::Yellow);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void aMalformedFieldIsReportedAndReceptionGoesOn()
    {
        sendStatus(u"03000000"_s + u"0G000000"_s + u"00"_s + u"00"_s + u"00000000"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!f->window->portStatusBar()->currentMessage().isEmpty(), 2000);
        QVERIFY(!f->window->state().StatusUpdating);
        QVERIFY(f->messages.boxes.isEmpty());
        QCOMPARE(Colours::background(f->control<QWidget>(u"stLinkTitle"_s)), Colours::MoneyGreen);
        applyStatus(u"05000000"_s + u"00000000"_s + u"00"_s + u"00"_s + u"00000000"_s);
        QCOMPARE(f->control<QToolButton>(u"bbDirLoc1"_s)->text(), u"Loco 5\r\n000"_s);
        // the slider still speaks for the user after the failure
        slider(1)->setValue(3);
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":S103"));
    }

    void aUserDragRightAfterAPacketIsSent()
    {
        applyStatus(status(u"00000000"_s, u"05000000"_s, u"01"_s, u"00"_s, u"00000000"_s));
        QCOMPARE(f->pty.drain(), QByteArray());
        slider(1)->setValue(6);
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":S106"));
    }

    void aSplitPacketIsJoined()
    {
        const QByteArray packet = StationWire::bytesFromChars(StationWire::framePacket(
            status(u"07000000"_s, u"00000000"_s, u"00"_s, u"00"_s, u"00000000"_s)));
        QCOMPARE(packet.size(), 30);
        // Each part reaches the framer on its own before the next is sent.
        const TComDataPacket &framer = f->window->packetFramer();
        qsizetype from = 0;
        for (const qsizetype end : {7, 22}) {
            QVERIFY(f->pty.write(packet.mid(from, end - from)));
            QTRY_COMPARE_WITH_TIMEOUT(framer.bufferedText(), QString::fromLatin1(packet.left(end)),
                                      2000);
            from = end;
        }
        QVERIFY(f->pty.write(packet.mid(22)));
        QTRY_COMPARE_WITH_TIMEOUT(f->control<QToolButton>(u"bbDirLoc1"_s)->text(),
                                  u"Loco 7\r\n000"_s, 2000);
    }

    void keysActAsTheirControls_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("speed-up-loco-1") << QList<int>{Qt::Key_Plus} << QByteArray(":S101");
        QTest::newRow("speed-up-loco-3")
            << QList<int>{Qt::Key_3, Qt::Key_Equal} << QByteArray(":S301");
        QTest::newRow("direction-loco-2")
            << QList<int>{Qt::Key_2, Qt::Key_D} << QByteArray(":D100");
        QTest::newRow("headlight-loco-4")
            << QList<int>{Qt::Key_4, Qt::Key_H} << QByteArray(":H300");
        QTest::newRow("function-2-loco-1") << QList<int>{Qt::Key_F2} << QByteArray(":F200");
        QTest::newRow("function-4-loco-4")
            << QList<int>{Qt::Key_4, Qt::Key_F4} << QByteArray(":Fg00");
        QTest::newRow("stop-pause") << QList<int>{Qt::Key_Pause} << QByteArray(":E000");
        QTest::newRow("stop-escape") << QList<int>{Qt::Key_Escape} << QByteArray(":E000");
    }

    void keysActAsTheirControls()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QByteArray, wire);
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        for (int key : keys)
            QTest::keyClick(f->window.get(), Qt::Key(key));
        QCOMPARE(f->pty.readAvailable(5), wire);
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    void speedDownStopsAtZero()
    {
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        QTest::keyClick(f->window.get(), Qt::Key_Minus);
        QCOMPARE(f->pty.drain(), QByteArray()); // the slider cannot go below 0: nothing to send
        QTest::keyClick(f->window.get(), Qt::Key_Plus);
        QTest::keyClick(f->window.get(), Qt::Key_Minus);
        QCOMPARE(f->pty.readAvailable(10), QByteArray(":S101:S100"));
    }

    void stopKeyWorksFromEveryPage_data()
    {
        QTest::addColumn<int>("page");
        for (int page = TfKorvant::PageFirmware; page <= TfKorvant::PageAdmin; ++page)
            QTest::newRow(qPrintable(QString::number(page))) << page;
    }

    void stopKeyWorksFromEveryPage()
    {
        QFETCH(int, page);
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        f->userSelectsPage(page);
        QTest::keyClick(f->window.get(), Qt::Key_Pause);
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":E000"));
        // The Link page's own keys belong to the Link page only.
        QTest::keyClick(f->window.get(), Qt::Key_F1);
        QCOMPARE(f->pty.drain(), page == TfKorvant::PageLink ? QByteArray(":F100") : QByteArray());
    }

    // In an entry, a spin box or a list, Escape keeps its own meaning (undo, close the editor),
    // so a habit of pressing it there never stops every train; Pause stops them from anywhere.
    void escapeKeepsItsMeaningInEntries_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::newRow("cv-value") << int(TfKorvant::PageCVProgramming)
                                  << CvEntriesView::editName(1);
        QTest::newRow("hex-file-name") << int(TfKorvant::PageFirmware) << u"eHexFile"_s;
        QTest::newRow("buffer-size-spin-box") << int(TfKorvant::PageAdmin) << u"seBufferIn"_s;
        QTest::newRow("style-list") << int(TfKorvant::PageAdmin) << u"ListBox1"_s;
    }

    void escapeKeepsItsMeaningInEntries()
    {
        QFETCH(int, page);
        QFETCH(QString, control);
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        f->userSelectsPage(page);
        auto *widget = f->control<QWidget>(control);
        showPageOf(widget);
        widget->setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), widget, 2000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Pause);
        // Both keys are handled in order: the Pause's stop is the only instruction sent.
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":E000"));
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    // Escape is pressed out of habit: without a link the key says so and shows no error box.
    void stopKeyWithoutALinkSaysSo()
    {
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        f->connect(); // disconnect
        QVERIFY(!f->window->state().LinkOpen);
        QTest::keyClick(f->window.get(), Qt::Key_Escape);
        QVERIFY(f->messages.boxes.isEmpty());
        QCOMPARE(f->window->portStatusBar()->currentMessage(),
                 u"Not connected: the stop key sent nothing."_s);
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    // The direction buttons show their caption above the arrow, not under it.
    void directionCaptionStandsAboveItsArrow()
    {
        auto *button = f->control<QToolButton>(u"bbDirLoc1"_s);
        button->resize(button->sizeHint());
        const QImage image = button->grab().toImage();
        const QColor text = button->palette().color(QPalette::ButtonText);
        const QImage arrow = button->icon().pixmap(button->iconSize()).toImage();
        const QColor arrowColour = arrow.pixelColor(arrow.width() / 2, arrow.height() / 4);
        QVERIFY(arrowColour != text && arrowColour.alpha() == 255);
        const auto firstRowWith = [&](const QColor &colour) {
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixelColor(x, y) == colour)
                        return y;
                }
            }
            return -1;
        };
        const int captionTop = firstRowWith(text);
        const int arrowTop = firstRowWith(arrowColour);
        QVERIFY(captionTop >= 0 && arrowTop >= 0);
        QVERIFY2(
            captionTop < arrowTop,
            qPrintable(u"caption from row %1, arrow from row %2"_s.arg(captionTop).arg(arrowTop)));
    }

    void disconnectTurnsTheTitleSkyBlue()
    {
        applyStatus(QString(28, u'0'));
        f->connect(); // disconnect
        QCOMPARE(Colours::background(f->control<QWidget>(u"stLinkTitle"_s)), Colours::SkyBlue);
    }
};

QTEST_MAIN(tst_LinkPage)
#include "tst_linkpage.moc"
