#include "cv/cvprogrammingpage.h"
#include "support/filechooser.h"
#include "support/serialclient.h"
#include "support/simulatorprocess.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "ui/colours.h"
#include "ui/memotext.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <functional>

using namespace Qt::Literals::StringLiterals;

// Every text here is typed out by hand from the station's wire forms, never produced by the
// program's own encoders: the program and the simulator share those, so a fault in one of them
// would pass any test that compares the two.
namespace {

// The CV sequence for CV1-CV5 and CV29: the selected CVs in ascending order as two upper-case
// hex digits (CV29 = 0x1D), then "00" up to 256 items; 16 lines of ":" and 16 items joined by
// ",", each line ended by CR LF: 16 x 50 = 800 characters.
constexpr char CvSequenceOneToFiveAnd29[] = ":01,02,03,04,05,1D,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                            ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n";

// The CV sequence for all 255 CVs: line k holds CV 16(k-1)+1 to 16k, so every line ends on a
// multiple of 0x10, and the last one ends with CV255 (FF) and the single empty slot "00".
constexpr char CvSequenceAll[] = ":01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10\r\n"
                                 ":11,12,13,14,15,16,17,18,19,1A,1B,1C,1D,1E,1F,20\r\n"
                                 ":21,22,23,24,25,26,27,28,29,2A,2B,2C,2D,2E,2F,30\r\n"
                                 ":31,32,33,34,35,36,37,38,39,3A,3B,3C,3D,3E,3F,40\r\n"
                                 ":41,42,43,44,45,46,47,48,49,4A,4B,4C,4D,4E,4F,50\r\n"
                                 ":51,52,53,54,55,56,57,58,59,5A,5B,5C,5D,5E,5F,60\r\n"
                                 ":61,62,63,64,65,66,67,68,69,6A,6B,6C,6D,6E,6F,70\r\n"
                                 ":71,72,73,74,75,76,77,78,79,7A,7B,7C,7D,7E,7F,80\r\n"
                                 ":81,82,83,84,85,86,87,88,89,8A,8B,8C,8D,8E,8F,90\r\n"
                                 ":91,92,93,94,95,96,97,98,99,9A,9B,9C,9D,9E,9F,A0\r\n"
                                 ":A1,A2,A3,A4,A5,A6,A7,A8,A9,AA,AB,AC,AD,AE,AF,B0\r\n"
                                 ":B1,B2,B3,B4,B5,B6,B7,B8,B9,BA,BB,BC,BD,BE,BF,C0\r\n"
                                 ":C1,C2,C3,C4,C5,C6,C7,C8,C9,CA,CB,CC,CD,CE,CF,D0\r\n"
                                 ":D1,D2,D3,D4,D5,D6,D7,D8,D9,DA,DB,DC,DD,DE,DF,E0\r\n"
                                 ":E1,E2,E3,E4,E5,E6,E7,E8,E9,EA,EB,EC,ED,EE,EF,F0\r\n"
                                 ":F1,F2,F3,F4,F5,F6,F7,F8,F9,FA,FB,FC,FD,FE,FF,00\r\n";

// A small turnout table: group A 05 OPEN, 07 CLOSE; group C 12 OPEN; group Z 40 CLOSE, 99 OPEN.
// Bytes: the signature 03 04 05 06 0F 04 0A and 00 (offsets 0-7); A = 85 07 00 (05 + 0x80,
// 07, end; 8-10); B = 00 (11); C = 8C 00 (12 + 0x80; 12-13); D to Y one 00 each (14-35);
// Z = 28 E3 00 (40, 99 + 0x80; 36-38); 00 up to the 256th byte. Same line layout as above.
constexpr char TurnoutTable[] = ":03,04,05,06,0F,04,0A,00,85,07,00,00,8C,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,28,E3,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                                ":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n";

// The same table as the station sends it: one packet per line, "$", the 48 characters, CR LF,
// "%", 52 characters each.
constexpr char TurnoutPackets[] = "$:03,04,05,06,0F,04,0A,00,85,07,00,00,8C,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,28,E3,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%"
                                  "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%";

// The reports for CV1-CV5 and CV29 holding 3, 12, 0, 255, 64 and 6: "$", a character the page
// does not read ("C"), the CV in two hex digits, another unread character ("="), the value in
// two hex digits, "%"; the long form puts CR LF before the "%", 10 characters in all.
constexpr char CvReportsShort[] = "$C01=03%$C02=0C%$C03=00%$C04=FF%$C05=40%$C1D=06%";
constexpr char CvReportsWithLineEnd[] = "$C01=03\r\n%"
                                        "$C02=0C\r\n%"
                                        "$C03=00\r\n%"
                                        "$C04=FF\r\n%"
                                        "$C05=40\r\n%"
                                        "$C1D=06\r\n%";
// 16 lines of 50 characters; the turnout packets 16 of 52.
static_assert(sizeof CvSequenceOneToFiveAnd29 == 800 + 1 && sizeof CvSequenceAll == 800 + 1 &&
              sizeof TurnoutTable == 800 + 1 && sizeof TurnoutPackets == 16 * 52 + 1);

const QStringList CvSimulatorValues = {u"--cv"_s, u"1=3"_s,  u"--cv"_s, u"2=12"_s,
                                       u"--cv"_s, u"3=0"_s,  u"--cv"_s, u"4=255"_s,
                                       u"--cv"_s, u"5=64"_s, u"--cv"_s, u"29=6"_s};

} // namespace

class tst_WireLiterals : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;

    // The window on the simulator's line, on the given page, connected.
    void startWithStation(const QStringList &options, int page)
    {
        sim = std::make_unique<SimulatorProcess>(options);
        QVERIFY(sim->start());
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()}});
        f->window->show();
        f->userSelectsPage(page);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    // The window on a pseudo-terminal the test writes the station's bytes into.
    void startOnPty(int page)
    {
        f = std::make_unique<WindowFixture>();
        f->userSelectsPage(page);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    QAbstractButton *button(const QString &name) { return f->control<QAbstractButton>(name); }
    QCheckBox *cvBox(int cv) { return f->control<QCheckBox>(u"CheckBox%1"_s.arg(cv + 58)); }
    QLineEdit *cvEdit(int cv) { return f->control<QLineEdit>(u"Edit%1"_s.arg(cv + 32)); }
    QPlainTextEdit *turnoutMemo() { return f->control<QPlainTextEdit>(u"mMemoReceived"_s); }
    QSlider *slider(int loco) { return f->control<QSlider>(u"tbSpeedLoco%1"_s.arg(loco)); }
    QWidget *widget(const QString &name) { return f->control<QWidget>(name); }

    QList<int> readBackCvs()
    {
        QList<int> cvs;
        for (int cv = 1; cv <= 255; ++cv) {
            if (cvBox(cv)->checkState() == Qt::PartiallyChecked)
                cvs.append(cv);
        }
        return cvs;
    }

private Q_SLOTS:
    void cleanup()
    {
        f.reset();
        sim.reset();
    }

    // --- from the window to the line ---------------------------------------------------------

    void cvSequenceUpload_data()
    {
        QTest::addColumn<QList<int>>("clicked"); // empty: the option "Select Alll"
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("cv-1-to-5-and-29")
            << QList<int>{1, 2, 3, 4, 5, 29} << QByteArray(CvSequenceOneToFiveAnd29);
        QTest::newRow("all-255") << QList<int>{} << QByteArray(CvSequenceAll);
    }

    void cvSequenceUpload()
    {
        QFETCH(QList<int>, clicked);
        QFETCH(QByteArray, wire);
        startWithStation({}, TfKorvant::PageCVProgramming);
        for (const int cv : std::as_const(clicked))
            QTest::mouseClick(cvBox(cv), Qt::LeftButton);
        if (clicked.isEmpty()) {
            f->control<QWidget>(u"rgCvSelect"_s)
                ->findChildren<QRadioButton *>()
                .at(CvProgrammingPage::OptionSelectAll)
                ->click();
        }
        button(u"sbUploadCV"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(button(u"sbUploadCV"_s)->isEnabled(), 10000);
        // Opening the port on this page said ":X100" before the sequence.
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), ":X100" + wire, 5000);
        QCOMPARE(MemoText::wireText(f->control<QPlainTextEdit>(u"mMemoCV"_s)).toLatin1(), wire);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void turnoutUpload()
    {
        startWithStation({}, TfKorvant::PageTurnout);
        f->userSelectsPage(TfKorvant::PageTurnoutEncoder);
        // Typed in lower case where a letter is typed: the rows take upper case.
        const QMap<int, QString> typed = {{1, u"05/ 07|"_s}, {3, u"12r"_s}, {26, u"40c99/"_s}};
        for (auto it = typed.cbegin(); it != typed.cend(); ++it) {
            QTest::keyClick(f->control<QCheckBox>(u"CheckBox%1"_s.arg(it.key() + 26)),
                            Qt::Key_Space);
            QTest::keyClicks(f->control<QLineEdit>(u"Edit%1"_s.arg(it.key())), it.value());
        }
        button(u"sbAssignTurnout"_s)->click();
        QCOMPARE(f->control<QLineEdit>(u"Edit1"_s)->text(), u"05/ 07| "_s);
        QCOMPARE(f->control<QLineEdit>(u"Edit3"_s)->text(), u"12/ "_s);
        QCOMPARE(f->control<QLineEdit>(u"Edit26"_s)->text(), u"40| 99/ "_s);
        QCOMPARE(MemoText::wireText(turnoutMemo()).toLatin1(), QByteArray(TurnoutTable));

        f->userSelectsPage(TfKorvant::PageTurnout);
        FileChooser files;
        const QString path = f->home.filePath(u"small.tout"_s);
        files.answers = {path};
        button(u"bbSaveTurnoutFile"_s)->click();
        QCOMPARE(TestFiles::read(path), QByteArray(TurnoutTable));

        button(u"sbUpload"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(button(u"sbUpload"_s)->isEnabled(), 10000);
        QVERIFY(!sim->waitForLine(u"turnouts stored"_s).isNull());
        QCOMPARE(sim->fetchCapture(), QByteArray(TurnoutTable));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    // Every control of the Link page, and its keys, one after the other against the station,
    // which answers each with a status packet; ":X100" comes from opening the port on the CV
    // page.
    void linkPageInstructions()
    {
        startWithStation({u"--speed-steps"_s, u"31,14,128,128"_s}, TfKorvant::PageCVProgramming);
        QByteArray expected = ":X100";
        QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), expected, 3000);
        f->userSelectsPage(TfKorvant::PageLink);
        QVERIFY(sim->command(u"status"_s, u"status sent"_s));
        QTRY_COMPARE_WITH_TIMEOUT(slider(4)->maximum(), 128, 3000);
        QCOMPARE(slider(2)->maximum(), 14);

        const auto click = [this](const QString &name) {
            QTest::mouseClick(widget(name), Qt::LeftButton);
        };
        const auto key = [this](Qt::Key k) {
            QTest::keyClick(f->window.get(), k);
        };
        struct Step
        {
            const char *what;
            std::function<void()> act;
            const char *wire;
        };
        const QList<Step> steps = {
            {"slider 1 to 10", [this] { slider(1)->setValue(10); }, ":S10A"},
            {"slider 1 to its end, 31", [this] { QTest::keyClick(slider(1), Qt::Key_End); },
             ":S11F"},
            {"slider 1 home", [this] { QTest::keyClick(slider(1), Qt::Key_Home); }, ":S100"},
            {"slider 2 to its end, 14", [this] { QTest::keyClick(slider(2), Qt::Key_End); },
             ":S20E"},
            {"slider 3 to 100", [this] { slider(3)->setValue(100); }, ":S364"},
            {"slider 4 to its end, 128", [this] { QTest::keyClick(slider(4), Qt::Key_End); },
             ":S480"},
            {"loco 1 right arrow", [&] { click(u"bbDirLoc1"_s); }, ":D000"},
            {"loco 1 left arrow",
             [&] {
                 QVERIFY(!widget(u"bbDirLoc1_1"_s)->isHidden());
                 click(u"bbDirLoc1_1"_s);
             },
             ":D000"},
            {"loco 2 direction", [&] { click(u"bbDirLoc2"_s); }, ":D100"},
            {"loco 3 direction", [&] { click(u"bbDirLoc3"_s); }, ":D200"},
            {"loco 4 direction", [&] { click(u"bbDirLoc4"_s); }, ":D300"},
            {"headlight 1", [&] { click(u"panH1"_s); }, ":H000"},
            {"headlight 2", [&] { click(u"panH2"_s); }, ":H100"},
            {"headlight 3", [&] { click(u"PanH3"_s); }, ":H200"},
            {"headlight 4", [&] { click(u"PanH4"_s); }, ":H300"},
            {"loco 1 F1", [&] { click(u"PanF11"_s); }, ":F100"},
            {"loco 1 F2", [&] { click(u"PanF12"_s); }, ":F200"},
            {"loco 1 F3", [&] { click(u"PanF13"_s); }, ":F300"},
            {"loco 1 F4", [&] { click(u"PanF14"_s); }, ":F400"},
            {"loco 2 F1", [&] { click(u"PanF21"_s); }, ":F500"},
            {"loco 2 F2", [&] { click(u"PanF22"_s); }, ":F600"},
            {"loco 2 F3", [&] { click(u"PanF23"_s); }, ":F700"},
            {"loco 2 F4", [&] { click(u"PanF24"_s); }, ":F800"},
            {"loco 3 F1", [&] { click(u"PanF25"_s); }, ":F900"},
            {"loco 3 F2", [&] { click(u"PanF26"_s); }, ":Fa00"},
            {"loco 3 F3", [&] { click(u"PanF27"_s); }, ":Fb00"},
            {"loco 3 F4", [&] { click(u"PanF28"_s); }, ":Fc00"},
            {"loco 4 F1", [&] { click(u"PanF29"_s); }, ":Fd00"},
            {"loco 4 F2", [&] { click(u"PanF30"_s); }, ":Fe00"},
            {"loco 4 F3", [&] { click(u"PanF31"_s); }, ":Ff00"},
            {"loco 4 F4", [&] { click(u"PanF32"_s); }, ":Fg00"},
            {"emergency stop", [&] { click(u"bbEmergencyStop"_s); }, ":E000"},
            {"keys: 3 and D",
             [&] {
                 key(Qt::Key_3);
                 key(Qt::Key_D);
             },
             ":D200"},
            {"key: H", [&] { key(Qt::Key_H); }, ":H200"},
            {"key: F3", [&] { key(Qt::Key_F3); }, ":Fb00"},
            {"key: + (loco 3 from 0 to 1)", [&] { key(Qt::Key_Plus); }, ":S301"},
            {"key: Escape", [&] { key(Qt::Key_Escape); }, ":E000"},
        };
        for (const Step &step : steps) {
            if (QByteArrayView(step.what).startsWith("key"))
                QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
            // The station's answer to each step is on the page before the next step acts.
            Colours::setBackground(widget(u"stLinkTitle"_s), Colours::MoneyGreen);
            step.act();
            expected += step.wire;
            QTRY_COMPARE_WITH_TIMEOUT(sim->fetchCapture(), expected, 3000);
            QTRY_COMPARE_WITH_TIMEOUT(Colours::background(widget(u"stLinkTitle"_s)),
                                      Colours::Yellow, 3000);
        }
        QVERIFY(f->messages.boxes.isEmpty());
    }

    // --- from the station into the window ----------------------------------------------------

    void cvReportsShowOnTheEntries_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QList<int>>("cvs");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("short") << QByteArray("$C1D=FF%") << QList<int>{29} << QStringList{u"255"_s};
        QTest::newRow("with-line-end")
            << QByteArray("$C1D=FF\r\n%") << QList<int>{29} << QStringList{u"255"_s};
        QTest::newRow("lower-case-digits")
            << QByteArray("$c0a=0c%") << QList<int>{10} << QStringList{u"12"_s};
        const QList<int> six = {1, 2, 3, 4, 5, 29};
        const QStringList sixValues = {u"3"_s, u"12"_s, u"0"_s, u"255"_s, u"64"_s, u"6"_s};
        // A station answers a sequence with a run of reports that may arrive as one chunk; a
        // short report ends at its "%", so the next one is not cut into it and lost.
        QTest::newRow("short-run-in-one-chunk") << QByteArray(CvReportsShort) << six << sixValues;
        QTest::newRow("with-line-end-run-in-one-chunk")
            << QByteArray(CvReportsWithLineEnd) << six << sixValues;
    }

    void cvReportsShowOnTheEntries()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QList<int>, cvs);
        QFETCH(QStringList, values);
        startOnPty(TfKorvant::PageCVProgramming);
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":X100"));
        QVERIFY(f->pty.write(wire));
        QTRY_COMPARE_WITH_TIMEOUT(readBackCvs(), cvs, 3000);
        for (qsizetype i = 0; i < cvs.size(); ++i)
            QCOMPARE(cvEdit(cvs.at(i))->text(), values.at(i));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void statusPacketShowsOnTheLinkPage_data()
    {
        QTest::addColumn<QByteArray>("wire");
        // Addresses 3, 10, 127, 255; speeds 12, 64, 127, 14; speed steps 0x63 (bits 0 and
        // 4: 01 = 31 for loco 1; bits 1 and 5: 11 = 31 for loco 2; bits 2 and 6: 10 = 128 for
        // loco 3; bits 3 and 7: 00 = 14 for loco 4); directions 0xFA (bits 1 and 3: locos 2
        // and 4 face left; the high nibble is not read); lamps 0x1F (headlight and F1-F4),
        // 0x10 (headlight), 0x09 (F1 and F4), 0xE0 (bits 5-7 only: none).
        QTest::newRow("upper-case") << QByteArray("$"
                                                  "030A7FFF"
                                                  "0C407F0E"
                                                  "63"
                                                  "FA"
                                                  "1F1009E0"
                                                  "%");
        QTest::newRow("lower-case") << QByteArray("$030a7fff0c407f0e63fa1f1009e0%");
    }

    void statusPacketShowsOnTheLinkPage()
    {
        QFETCH(QByteArray, wire);
        startOnPty(TfKorvant::PageLink);
        QVERIFY(f->pty.write(wire));
        QTRY_COMPARE_WITH_TIMEOUT(Colours::background(widget(u"stLinkTitle"_s)), Colours::Yellow,
                                  3000);

        const QStringList captions = {u"Loco 3\r\n012"_s, u"Loco 10\r\n064"_s, u"Loco 127\r\n127"_s,
                                      u"Loco 255\r\n014"_s};
        const QList<int> maxima = {31, 31, 128, 14};
        const QList<int> positions = {12, 31, 127, 14}; // 64 held to loco 2's maximum
        const QList<bool> facingLeft = {false, true, false, true};
        for (int loco = 1; loco <= 4; ++loco) {
            QCOMPARE(f->control<QToolButton>(u"bbDirLoc%1"_s.arg(loco))->text(),
                     captions.at(loco - 1));
            QCOMPARE(f->control<QToolButton>(u"bbDirLoc%1_1"_s.arg(loco))->text(),
                     captions.at(loco - 1));
            QCOMPARE(slider(loco)->maximum(), maxima.at(loco - 1));
            QCOMPARE(slider(loco)->value(), positions.at(loco - 1));
            const bool left = facingLeft.at(loco - 1);
            QCOMPARE(widget(u"bbDirLoc%1"_s.arg(loco))->isHidden(), left);
            QCOMPARE(widget(u"bbDirLoc%1_1"_s.arg(loco))->isHidden(), !left);
            QCOMPARE(widget(u"iLoco%1R"_s.arg(loco))->isHidden(), left);
            QCOMPARE(widget(u"iLoco%1L"_s.arg(loco))->isHidden(), !left);
        }
        const QStringList lit = {u"panH1"_s,  u"PanF11"_s, u"PanF12"_s, u"PanF13"_s,
                                 u"PanF14"_s, u"panH2"_s,  u"PanF25"_s, u"PanF28"_s};
        const QStringList dark = {u"PanF21"_s, u"PanF22"_s, u"PanF23"_s, u"PanF24"_s,
                                  u"PanH3"_s,  u"PanF26"_s, u"PanF27"_s, u"PanH4"_s,
                                  u"PanF29"_s, u"PanF30"_s, u"PanF31"_s, u"PanF32"_s};
        for (const QString &lamp : lit)
            QVERIFY2(Colours::background(widget(lamp)) == Colours::Magenta, qPrintable(lamp));
        for (const QString &lamp : dark)
            QVERIFY2(Colours::background(widget(lamp)) == Colours::MoneyGreen, qPrintable(lamp));

        // The sliders the packet moved said nothing: the first bytes on the line are the
        // user's next instruction.
        button(u"bbEmergencyStop"_s)->click();
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":E000"));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void turnoutPacketsFillTheMemo()
    {
        startOnPty(TfKorvant::PageTurnout);
        QVERIFY(f->pty.write(TurnoutPackets));
        QTRY_COMPARE_WITH_TIMEOUT(MemoText::wireText(turnoutMemo()).toLatin1(),
                                  QByteArray(TurnoutTable), 3000);
        f->userSelectsPage(TfKorvant::PageTurnoutDecoder);
        button(u"sbUpdate"_s)->click();
        const QMap<int, QString> entries = {
            {1, u"05/ 07| "_s}, {3, u"12/ "_s}, {26, u"40| 99/ "_s}};
        for (int n = 1; n <= 26; ++n) {
            QCOMPARE(f->control<QLabel>(u"st%1"_s.arg(n))->text(), entries.value(n));
            QCOMPARE(f->control<QCheckBox>(u"CheckBox%1"_s.arg(n))->isChecked(),
                     entries.contains(n));
        }
        QVERIFY(f->messages.boxes.isEmpty());
    }

    // --- what the simulator sends, byte for byte ---------------------------------------------

    void simulatorCvReports_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("short") << CvSimulatorValues << QByteArray(CvReportsShort);
        QTest::newRow("with-line-end") << (CvSimulatorValues + QStringList{u"--cv-line-end"_s})
                                       << QByteArray(CvReportsWithLineEnd);
    }

    void simulatorCvReports()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, wire);
        SimulatorProcess station(options);
        QVERIFY(station.start());
        SerialClient line;
        QVERIFY(line.open(station.ptyPath()));
        QVERIFY(line.write(CvSequenceOneToFiveAnd29));
        QCOMPARE(line.readUntilCount('%', 6), wire);
    }

    void simulatorStatusPackets()
    {
        SimulatorProcess station(
            {u"--addresses"_s, u"3,10,127,255"_s, u"--speed-steps"_s, u"128,14,128,14"_s});
        QVERIFY(station.start());
        SerialClient line;
        QVERIFY(line.open(station.ptyPath()));
        // Fields as above: addresses, four speeds, speed steps 0x50 (bit 4: loco 1 and bit 6:
        // loco 3 at 128, locos 2 and 4 at 14), directions, four lamp bytes.
        const QList<std::pair<QByteArray, QByteArray>> answers = {
            {":S164", "$030A7FFF" // loco 1 at speed 100
                      "64000000"
                      "50"
                      "00"
                      "00000000%"},
            {":D100", "$030A7FFF" // loco 2 turned round
                      "64000000"
                      "50"
                      "02"
                      "00000000%"},
            {":H200", "$030A7FFF" // loco 3's headlight on
                      "64000000"
                      "50"
                      "02"
                      "00001000%"},
            {":Fg00", "$030A7FFF" // loco 4's F4 on
                      "64000000"
                      "50"
                      "02"
                      "00001008%"},
            {":E000", "$030A7FFF" // all stopped
                      "00000000"
                      "50"
                      "02"
                      "00001008%"},
        };
        for (const auto &[instruction, status] : answers) {
            QVERIFY(line.write(instruction));
            QCOMPARE(line.readUntilCount('%', 1), status);
        }
    }

    void simulatorTurnoutPackets()
    {
        QTemporaryDir dir;
        const QString table = TestFiles::writeIn(dir.path(), u"table.tout"_s, TurnoutTable);
        QVERIFY(!table.isEmpty());
        SimulatorProcess station({u"--turnouts"_s, table});
        QVERIFY(station.start());
        SerialClient line;
        QVERIFY(line.open(station.ptyPath()));
        QVERIFY(station.command(u"turnouts"_s, u"turnouts sent"_s));
        QCOMPARE(line.readUntilCount('%', 16), QByteArray(TurnoutPackets));
    }
};

QTEST_MAIN(tst_WireLiterals)
#include "tst_wireliterals.moc"
