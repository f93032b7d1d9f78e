#include "link/memoryimage.h"
#include "link/stationwire.h"
#include "support/filechooser.h"
#include "support/quietwatch.h"
#include "support/simulatorprocess.h"
#include "support/windowfixture.h"
#include "ui/colours.h"
#include "ui/memotext.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

using namespace Qt::Literals::StringLiterals;

// The turnout table between the window and the station simulator: typed, exported, uploaded,
// sent back and read again; and uploads that end early end cleanly (the window closed or the
// line hung up mid-upload: tst_linkfaults, with the other pages' uploads).
class tst_TurnoutStation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<WindowFixture> f;

    void startStation(const QStringList &options)
    {
        sim = std::make_unique<SimulatorProcess>(options);
        QVERIFY(sim->start());
        f = std::make_unique<WindowFixture>(QJsonObject{{u"Port"_s, sim->ptyPath()}});
        f->userSelectsPage(TfKorvant::PageTurnout);
        f->connect();
        QVERIFY(f->window->state().LinkOpen);
    }

    QPlainTextEdit *memo() { return f->control<QPlainTextEdit>(u"mMemoReceived"_s); }
    QProgressBar *gauge() { return f->control<QProgressBar>(u"Gauge2"_s); }
    QAbstractButton *uploadButton() { return f->control<QAbstractButton>(u"sbUpload"_s); }
    void click(const QString &button) { f->control<QAbstractButton>(button)->click(); }

    // Types the rows on the encoder page and exports them; returns the rows as shown after.
    QStringList exportRows(const QMap<int, QString> &rows)
    {
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            f->control<QCheckBox>(u"CheckBox%1"_s.arg(it.key() + 26))->setChecked(true);
            f->control<QLineEdit>(u"Edit%1"_s.arg(it.key()))->setText(it.value());
        }
        click(u"sbAssignTurnout"_s);
        return encoderRows();
    }

    QStringList encoderRows()
    {
        QStringList shown;
        for (int n = 1; n <= 26; ++n)
            shown.append(f->control<QLineEdit>(u"Edit%1"_s.arg(n))->text());
        return shown;
    }

    void uploadAndWait()
    {
        click(u"sbUpload"_s);
        QVERIFY(!uploadButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(uploadButton()->isEnabled(), 10000);
    }

private Q_SLOTS:
    void cleanup()
    {
        f.reset();
        sim.reset();
    }

    void aFreshExportUploadsExactly800Bytes()
    {
        startStation({});
        exportRows({{1, u"05/ 07|"_s}, {3, u"12/"_s}});
        const QString text = MemoText::wireText(memo());
        uploadAndWait();
        QVERIFY(!sim->waitForLine(u"turnouts stored"_s).isNull());
        const QByteArray received = sim->fetchCapture();
        QCOMPARE(received.size(), 800);
        QVERIFY(received.endsWith("\r\n"));
        QCOMPARE(received, StationWire::bytesFromChars(text));
        QCOMPARE(gauge()->value(), 800);
        QCOMPARE(Colours::background(memo()), Colours::Yellow);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    // The whole round: typed, exported, saved, loaded again, uploaded, sent back, decoded.
    void aTableSentBackDecodesToWhatWasTyped()
    {
        startStation({});
        FileChooser files;
        QMap<int, QString> rows;
        for (int n = 1; n <= 26; n += 3)
            rows.insert(n, u"%1/ %2| "_s.arg(n, 2, 10, QChar(u'0')).arg(99 - n));
        const QStringList typed = exportRows(rows);
        const QString exported = MemoText::wireText(memo());
        const QString path = f->home.filePath(u"layout.tout"_s);
        files.answers = {path, path};
        click(u"bbSaveTurnoutFile"_s);
        click(u"Button2"_s);
        click(u"bbLoadTurnoutFile"_s);
        QCOMPARE(MemoText::wireText(memo()), exported);
        uploadAndWait();
        QVERIFY(!sim->waitForLine(u"turnouts stored"_s).isNull());

        click(u"Button2"_s);
        click(u"sbImportDecoder"_s); // an empty memo clears every row
        QCOMPARE(encoderRows(), QStringList(26, QString()));
        QVERIFY(sim->command(u"turnouts"_s, u"turnouts sent"_s));
        QTRY_COMPARE_WITH_TIMEOUT(MemoText::wireText(memo()).size(), exported.size(), 5000);
        QCOMPARE(MemoText::wireText(memo()), exported);
        click(u"sbUpdate"_s);
        for (int n = 1; n <= 26; ++n) {
            QCOMPARE(f->control<QLabel>(u"st%1"_s.arg(n))->text(), typed.at(n - 1));
            QCOMPARE(f->control<QCheckBox>(u"CheckBox%1"_s.arg(n))->isChecked(), rows.contains(n));
        }
        click(u"sbImportDecoder"_s);
        QCOMPARE(encoderRows(), typed);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void theStationCanAnswerAnUploadWithItsTable()
    {
        startStation({u"--send-turnouts-after-upload"_s, u"--baud"_s, u"9600"_s});
        exportRows({{2, u"40/ 41| 42/"_s}});
        const QString uploaded = MemoText::wireText(memo());
        uploadAndWait();
        // The station sends the 16 lines back once it has read them all; they follow the
        // uploaded text, without separator.
        QTRY_COMPARE_WITH_TIMEOUT(MemoText::wireText(memo()).size(), 2 * uploaded.size(), 10000);
        QCOMPARE(MemoText::wireText(memo()), uploaded + uploaded);
    }

    void anUploadCutShortEndsCleanly_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("page-change") << u"page-change"_s;
        QTest::newRow("cancel-requested") << u"cancel-requested"_s;
        QTest::newRow("disconnect") << u"disconnect"_s;
    }

    void anUploadCutShortEndsCleanly()
    {
        QFETCH(QString, how);
        const int baud = 9600;
        startStation({u"--baud"_s, QString::number(baud)});
        exportRows({{1, u"05/"_s}});
        // Far more than the line holds in its buffers: at 9600 baud the upload runs for many
        // seconds.
        const QString text = MemoText::wireText(memo()).repeated(40);
        memo()->setPlainText(text);
        click(u"sbUpload"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gauge()->value() > 0, 5000);
        // A packet the station sends meanwhile is the upload's: it never reaches the memo.
        QVERIFY(sim->command(u"status"_s, u"status sent"_s));
        QTRY_VERIFY_WITH_TIMEOUT(
            f->window->port().inputCount() >= StationWire::LocoStatusPacketSize, 5000);
        QVERIFY(!uploadButton()->isEnabled());
        QVERIFY(gauge()->value() < text.size());

        if (how == u"page-change")
            f->userSelectsPage(TfKorvant::PageTurnoutDecoder);
        else if (how == u"cancel-requested")
            f->window->state().CancelRequested = true;
        else
            f->connect(); // the button now disconnects
        const bool open = how != u"disconnect"_s;
        QTRY_COMPARE_WITH_TIMEOUT(uploadButton()->isEnabled(), open, 2000);
        QCOMPARE(Colours::background(memo()), open ? Colours::Yellow : Colours::Silver);
        const int stoppedAt = gauge()->value();
        QVERIFY(stoppedAt < text.size());
        // The selection covers what was sent, a CR LF being one line break in the memo.
        int crLfPairs = 0;
        for (int i = 0; i < stoppedAt; ++i)
            crLfPairs += text.at(i) == u'\r' && text.at(i + 1) == u'\n';
        QCOMPARE(memo()->textCursor().selectionStart(), 0);
        QCOMPARE(memo()->textCursor().selectionEnd(), stoppedAt - crLfPairs);
        // Nothing more is sent, and nothing reaches the memo, for several line times of one of
        // the text's lines.
        const qsizetype lineBytes = text.indexOf(u'\n') + 1;
        QVERIFY(QuietWatch::holdsFor(QuietWatch::overLineTimes(lineBytes, baud), [&] {
            return gauge()->value() == stoppedAt && MemoText::wireText(memo()) == text;
        }));
        QCOMPARE(gauge()->value(), stoppedAt);
        QCOMPARE(MemoText::wireText(memo()), text);
        QVERIFY(!memo()->isReadOnly());
        QVERIFY(f->messages.boxes.isEmpty());
        if (open)
            QCOMPARE(f->window->port().inputCount(), 0);
        const QByteArray received = sim->fetchCapture();
        QVERIFY(received.size() < text.size());
        QVERIFY(StationWire::bytesFromChars(text).startsWith(received));
    }
};

QTEST_MAIN(tst_TurnoutStation)
#include "tst_turnoutstation.moc"
