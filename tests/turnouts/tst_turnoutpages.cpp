#include "link/memoryimage.h"
#include "link/stationwire.h"
#include "support/filechooser.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "turnouts/turnoutsignature.h"
#include "turnouts/turnouttable.h"
#include "ui/colours.h"
#include "ui/memotext.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr quint32 EncoderPageColour = 0xAFD3AF;

// The memory image text of the example table: A = 05 OPEN, 07 CLOSE; C = 12 OPEN.
QString exampleTable()
{
    return MemoryImage::text(u"030405060F040A"
                             "0085070000"
                             "8C00"_s);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

// The three turnout pages and the Special page in the real window: what each control does
// with the turnout memo, the files and the pseudo-terminal's line.
class tst_TurnoutPages : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<FileChooser> files;

    QPlainTextEdit *memo() { return f->control<QPlainTextEdit>(u"mMemoReceived"_s); }
    QProgressBar *gauge() { return f->control<QProgressBar>(u"Gauge2"_s); }
    QLineEdit *row(int group) { return f->control<QLineEdit>(u"Edit%1"_s.arg(group)); }
    QCheckBox *rowCheck(int group)
    {
        return f->control<QCheckBox>(u"CheckBox%1"_s.arg(group + 26));
    }
    void click(const QString &button) { f->control<QAbstractButton>(button)->click(); }
    QString memoText() { return MemoText::wireText(memo()); }

    // "A:05/ 07| " for each ticked group; an unticked group that still shows text is "a:…".
    QStringList groupsShown(const QString &checkPrefix, int checkOffset, const QString &textPrefix)
    {
        QStringList shown;
        for (int n = 1; n <= 26; ++n) {
            const bool checked =
                f->control<QCheckBox>(checkPrefix + QString::number(n + checkOffset))->isChecked();
            const QWidget *field = f->control<QWidget>(textPrefix + QString::number(n));
            const auto *label = qobject_cast<const QLabel *>(field);
            const QString text =
                label ? label->text() : qobject_cast<const QLineEdit *>(field)->text();
            if (checked || !text.isEmpty()) {
                const QChar letter = TurnoutTable::groupLetter(n);
                shown.append((checked ? letter : letter.toLower()) + u":"_s + text);
            }
        }
        return shown;
    }
    QStringList decoderShows() { return groupsShown(u"CheckBox"_s, 0, u"st"_s); }
    QStringList encoderShows() { return groupsShown(u"CheckBox"_s, 26, u"Edit"_s); }

    void typeRows(const QMap<int, QString> &rows)
    {
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            rowCheck(it.key())->setChecked(true);
            row(it.key())->setText(it.value());
        }
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        return TestFiles::writeIn(f->home.path(), name, bytes);
    }

    void loadFile(const QString &path)
    {
        files->answers = {path};
        click(u"bbLoadTurnoutFile"_s);
    }

    QByteArray saveFile(const QString &name)
    {
        const QString path = f->home.filePath(name);
        files->answers = {path};
        click(u"bbSaveTurnoutFile"_s);
        return bytesOf(path);
    }

    void waitForUploadEnd()
    {
        QTRY_VERIFY_WITH_TIMEOUT(f->control<QAbstractButton>(u"sbUpload"_s)->isEnabled(), 5000);
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        files = std::make_unique<FileChooser>();
    }

    void cleanup()
    {
        files.reset();
        f.reset();
    }

    void decoderImportShowsTheExample()
    {
        memo()->setPlainText(exampleTable());
        click(u"sbUpdate"_s);
        QCOMPARE(decoderShows(), (QStringList{u"A:05/ 07| "_s, u"C:12/ "_s}));
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void decoderFailureLeavesThePageAsItWas()
    {
        memo()->setPlainText(exampleTable());
        click(u"sbUpdate"_s);
        memo()->setPlainText(u":03,04,05,06,0F,04,0A,00,8#,00"_s);
        click(u"sbUpdate"_s);
        QCOMPARE(f->messages.texts(), QStringList{u"'#' is not a valid integer value"_s});
        QCOMPARE(decoderShows(), (QStringList{u"A:05/ 07| "_s, u"C:12/ "_s}));
    }

    void emptyMemoClearsTheDecoder()
    {
        memo()->setPlainText(exampleTable());
        click(u"sbUpdate"_s);
        f->control<QCheckBox>(u"CheckBox9"_s)->setChecked(true); // a tick set by hand
        memo()->clear();
        click(u"sbUpdate"_s);
        QCOMPARE(decoderShows(), QStringList());
    }

    void rowFollowsItsCheckBox()
    {
        QVERIFY(row(1)->isReadOnly());
        QCOMPARE(Colours::background(row(1)), EncoderPageColour);
        rowCheck(1)->setChecked(true);
        QVERIFY(!row(1)->isReadOnly());
        QCOMPARE(Colours::background(row(1)), Colours::White);
        row(1)->setText(u"05/"_s);
        rowCheck(1)->setChecked(false);
        QVERIFY(row(1)->isReadOnly());
        QCOMPARE(Colours::background(row(1)), Colours::MoneyGreen);
        QCOMPARE(row(1)->text(), u"05/"_s);
        QVERIFY(!rowCheck(2)->isChecked());
        QVERIFY(row(2)->isReadOnly());
    }

    void typedRowsAreUpperCase()
    {
        rowCheck(1)->setChecked(true);
        QTest::keyClicks(row(1), u"05o 07c,12r"_s);
        QCOMPARE(row(1)->text(), u"05O 07C,12R"_s);
        click(u"sbAssignTurnout"_s);
        QCOMPARE(encoderShows(), QStringList{u"A:05/ 07| 12/ "_s});
    }

    void exportShowsTheCanonicalTableEverywhere()
    {
        gauge()->setValue(50);
        typeRows({{1, u"05R07C"_s}, {2, u"  "_s}, {3, u"12L"_s}, {5, u"99/,01T"_s}});
        row(4)->setText(u"33/"_s); // an unticked row is not read
        click(u"sbAssignTurnout"_s);
        QVERIFY(f->messages.boxes.isEmpty());
        const QStringList lines = MemoText::lines(memo());
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines.at(0), u":03,04,05,06,0F,04,0A,00,85,07,00,00,0C,00,00,E3"_s);
        QCOMPARE(lines.at(1), u":81,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00"_s);
        QCOMPARE(memoText().size(), MemoryImage::TextLength);
        const QStringList table{u"A:05/ 07| "_s, u"C:12| "_s, u"E:99/ 01/ "_s};
        QCOMPARE(decoderShows(), table);
        // The ticked group without entries is unticked and empty; D's typed text gave way.
        QCOMPARE(encoderShows(), table);
        QVERIFY(row(2)->isReadOnly());
        QCOMPARE(gauge()->value(), 0);
    }

    void exportRefusalChangesNothing_data()
    {
        QTest::addColumn<QString>("rowText");
        QTest::addColumn<QString>("message");
        QTest::newRow("fragment") << u"05/7"_s
                                  << u"Group B: the row ends in \"7\", which is not a whole entry "
                                     "(two digits and a mark). Nothing was exported."_s;
        QTest::newRow("not-a-number") << u"05/ 5/"_s << u"'5/' is not a valid integer value"_s;
        QTest::newRow("223-entries") << QString(u"01/"_s).repeated(222)
                                     << u"The turnout table holds at most 222 entries; these "
                                        "groups have 223. Nothing was exported."_s;
    }

    void exportRefusalChangesNothing()
    {
        QFETCH(QString, rowText);
        QFETCH(QString, message);
        memo()->setPlainText(exampleTable());
        click(u"sbUpdate"_s);
        typeRows({{1, u"05/"_s}, {2, rowText}});
        click(u"sbAssignTurnout"_s);
        QCOMPARE(f->messages.texts(), QStringList{message});
        QCOMPARE(memoText(), exampleTable());
        QCOMPARE(decoderShows(), (QStringList{u"A:05/ 07| "_s, u"C:12/ "_s}));
        QCOMPARE(encoderShows(), (QStringList{u"A:05/"_s, u"B:"_s + rowText}));
    }

    void zeroEntryMovesTheLaterGroupsOn()
    {
        typeRows({{1, u"05/00|07|"_s}, {2, u"10/"_s}});
        click(u"sbAssignTurnout"_s);
        QCOMPARE(encoderShows(), (QStringList{u"A:05/ "_s, u"B:07| "_s, u"C:10/ "_s}));
    }

    void specialPageExportWritesTheDumpAndLeavesTheRows()
    {
        auto *dump = f->control<QPlainTextEdit>(u"mSpecialTurnout"_s);
        QCOMPARE(dump->toPlainText(), QString(32, u' '));
        QVERIFY(dump->isReadOnly());
        typeRows({{1, u"05R07C"_s}});
        click(u"sbImportTurnout"_s);
        QCOMPARE(MemoText::lines(memo()).first(),
                 u":03,04,05,06,0F,04,0A,00,85,07,00,00,00,00,00,00"_s);
        QCOMPARE(encoderShows(), QStringList{u"A:05R07C"_s});
        QCOMPARE(decoderShows(), QStringList());
        const QStringList lines = MemoText::lines(dump);
        QCOMPARE(lines.size(), 17);
        QCOMPARE(lines.at(0), u"SeqMem"_s);
        QVERIFY(lines.at(1).startsWith(u"\t\tde\t0x00,0x85,0x07,0x00,0x00,0x00,"_s));
        QCOMPARE(dump->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void encoderImportCopiesTheDecoder()
    {
        typeRows({{7, u"44/"_s}});
        memo()->setPlainText(exampleTable());
        click(u"sbImportDecoder"_s);
        QCOMPARE(decoderShows(), (QStringList{u"A:05/ 07| "_s, u"C:12/ "_s}));
        QCOMPARE(encoderShows(), (QStringList{u"A:05/ 07| "_s, u"C:12/ "_s}));
        QVERIFY(!row(1)->isReadOnly());
        QVERIFY(row(7)->isReadOnly());
    }

    void loadMakesCrLfAndSetsTheGaugeMaximum_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("crlf") << QByteArray(":03,04\r\n:00,01\r\n") << u":03,04\r\n:00,01\r\n"_s
                              << 2;
        QTest::newRow("lf") << QByteArray(":03,04\n:00,01\n") << u":03,04\r\n:00,01\r\n"_s << 2;
        QTest::newRow("cr-no-last-end")
            << QByteArray(":03\r:00\r:01") << u":03\r\n:00\r\n:01"_s << 3;
        QTest::newRow("utf8-mark") << QByteArray("\xEF\xBB\xBF:03\n") << u":03\r\n"_s << 1;
        QTest::newRow("utf16le-mark") << QByteArray("\xFF\xFE:\0\x33\0\n\0", 8) << u":3\r\n"_s << 1;
        QTest::newRow("empty-file") << QByteArray() << QString() << 1;
    }

    void loadMakesCrLfAndSetsTheGaugeMaximum()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, lines);
        memo()->setPlainText(u"old text"_s);
        const QString path = writeFile(u"table.tout"_s, bytes);
        loadFile(path);
        QVERIFY(f->messages.boxes.isEmpty());
        QCOMPARE(files->dialogs.size(), 1);
        QCOMPARE(files->dialogs.first().name, u"OpenDialog2"_s);
        QCOMPARE(files->dialogs.first().filter, u"TournOut (*.tout)"_s);
        QCOMPARE(f->control<QLineEdit>(u"eToutLoad"_s)->text(), path);
        QCOMPARE(memoText(), text);
        QCOMPARE(gauge()->maximum(), lines);
    }

    void savedFilesLoadBackAsTheyWere_data()
    {
        QTest::addColumn<QByteArray>("loaded");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray table = StationWire::bytesFromChars(exampleTable());
        QTest::newRow("code-page-table") << table << table;
        QTest::newRow("lf-file-saved-crlf")
            << QByteArray(":03,04\n:05\n") << QByteArray(":03,04\r\n:05\r\n");
        QTest::newRow("code-page-high-bytes")
            << QByteArray(":\x80\xA0\xE9\xFF\r\n") << QByteArray(":\x80\xA0\xE9\xFF\r\n");
        QTest::newRow("utf8-mark") << QByteArray("\xEF\xBB\xBF:\xE2\x82\xAC\r\n")
                                   << QByteArray("\xEF\xBB\xBF:\xE2\x82\xAC\r\n");
        QTest::newRow("utf16le-mark")
            << QByteArray("\xFF\xFE:\0\r\0\n\0", 8) << QByteArray("\xFF\xFE:\0\r\0\n\0", 8);
        QTest::newRow("utf16be-mark")
            << QByteArray("\xFE\xFF\0:\0\n", 6) << QByteArray("\xFE\xFF\0:\0\r\0\n", 8);
    }

    void savedFilesLoadBackAsTheyWere()
    {
        QFETCH(QByteArray, loaded);
        QFETCH(QByteArray, saved);
        loadFile(writeFile(u"in.tout"_s, loaded));
        const QString shownBefore = memoText();
        QCOMPARE(saveFile(u"out.tout"_s), saved);
        QCOMPARE(files->dialogs.last().name, u"SaveDialog1"_s);
        QCOMPARE(files->dialogs.last().filter, u"Turnout file (*.Tout)"_s);
        QCOMPARE(files->dialogs.last().defaultSuffix, u"tout"_s);
        QCOMPARE(f->control<QLineEdit>(u"eToutLoad"_s)->text(), f->home.filePath(u"in.tout"_s));
        loadFile(f->home.filePath(u"out.tout"_s));
        QCOMPARE(memoText(), shownBefore);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void theLastFileReadChoosesTheEncoding()
    {
        loadFile(writeFile(u"utf8.tout"_s, "\xEF\xBB\xBF:01\r\n"));
        loadFile(writeFile(u"plain.tout"_s, ":02\r\n"));
        QCOMPARE(saveFile(u"out.tout"_s), QByteArray(":02\r\n"));
        // An export replaces the text but not the encoding of the last file read.
        loadFile(writeFile(u"utf8.tout"_s, "\xEF\xBB\xBF:01\r\n"));
        click(u"sbAssignTurnout"_s);
        QVERIFY(saveFile(u"export.tout"_s).startsWith("\xEF\xBB\xBF:03,04,05,06,0F,04,0A,00,00"));
    }

    void exportedTableSavesAs800Bytes()
    {
        typeRows({{1, u"05/ 07|"_s}});
        click(u"sbAssignTurnout"_s);
        const QByteArray saved = saveFile(u"table.tout"_s);
        QCOMPARE(saved.size(), 800);
        QCOMPARE(saved, StationWire::bytesFromChars(memoText()));
        QVERIFY(saved.endsWith("\r\n"));
    }

    void cancelledDialogsChangeNothing()
    {
        memo()->setPlainText(u"kept"_s);
        click(u"bbLoadTurnoutFile"_s);
        click(u"bbSaveTurnoutFile"_s);
        QCOMPARE(files->dialogs.size(), 2);
        QCOMPARE(memoText(), u"kept"_s);
        QVERIFY(f->control<QLineEdit>(u"eToutLoad"_s)->text().isEmpty());
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void unreadableFileKeepsTheMemo()
    {
        memo()->setPlainText(u"kept"_s);
        const QString missing = f->home.filePath(u"missing.tout"_s);
        loadFile(missing);
        QCOMPARE(f->messages.texts(),
                 QStringList{u"Cannot open file \"%1\". No such file or directory"_s.arg(missing)});
        QCOMPARE(memoText(), u"kept"_s);
        QCOMPARE(f->control<QLineEdit>(u"eToutLoad"_s)->text(), missing);
    }

    void oversizedFileIsRefused()
    {
        memo()->setPlainText(u"kept"_s);
        const QString path = writeFile(u"huge.tout"_s, QByteArray(1024 * 1024 + 1, ':'));
        loadFile(path);
        QCOMPARE(f->messages.texts(),
                 QStringList{u"The file \"%1\" is 1048577 bytes long, too long for a turnout "
                             "file."_s.arg(path)});
        QCOMPARE(memoText(), u"kept"_s);
    }

    void failedSaveIsReported()
    {
        memo()->setPlainText(u"text"_s);
        const QString path = f->home.filePath(u"no-such-folder/table.tout"_s);
        files->answers = {path};
        click(u"bbSaveTurnoutFile"_s);
        QCOMPARE(f->messages.boxes.size(), 1);
        QVERIFY2(f->messages.texts().first().startsWith(u"Cannot create file \"%1\". "_s.arg(path)),
                 qPrintable(f->messages.texts().first()));
        QVERIFY(!QFile::exists(path));
    }

    void saveReplacesAnExistingFileWhole()
    {
        writeFile(u"table.tout"_s, QByteArray(2000, 'x'));
        memo()->setPlainText(u":01"_s);
        QCOMPARE(saveFile(u"table.tout"_s), QByteArray(":01"));
    }

    void charactersTheCodePageLacksAreSavedAsQuestionMarksAndSaid()
    {
        memo()->setPlainText(u":\u4E00"_s);
        QCOMPARE(saveFile(u"table.tout"_s), QByteArray(":?"));
        QCOMPARE(f->messages.boxes.size(), 1);
        QCOMPARE(f->messages.boxes.first().kind, Messages::Kind::Warning);
    }

    void clearScreenEmptiesBothMemosAndTheGauge()
    {
        const QString path = writeFile(u"table.tout"_s, ":01\r\n");
        loadFile(path);
        f->control<QPlainTextEdit>(u"mTest"_s)->setPlainText(u"test"_s);
        gauge()->setValue(1);
        click(u"Button2"_s);
        QVERIFY(memoText().isEmpty());
        QVERIFY(f->control<QPlainTextEdit>(u"mTest"_s)->toPlainText().isEmpty());
        QCOMPARE(gauge()->value(), 0);
        QCOMPARE(f->control<QLineEdit>(u"eToutLoad"_s)->text(), path);
    }

    void uploadWithAnEmptyMemoDoesNothing()
    {
        f->userSelectsPage(TfKorvant::PageAdmin); // nothing routed, nothing read
        f->connect();
        QSignalSpy rx(&f->window->port(), &TComPort::rxChar);
        QVERIFY(f->pty.write("stale"));
        QVERIFY(rx.wait(2000));
        click(u"sbUpload"_s);
        QCOMPARE(f->window->port().inputCount(), 5); // not purged
        QVERIFY(f->control<QAbstractButton>(u"sbUpload"_s)->isEnabled());
        QCOMPARE(f->pty.drain(), QByteArray());
    }

    void uploadSendsOneBytePerCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("lines-go-out-crlf") << u":03,04\n:05\n"_s << QByteArray(":03,04\r\n:05\r\n");
        QTest::newRow("above-u00ff-low-eight-bits") << u"\u0141x"_s << QByteArray("\x41x");
        QTest::newRow("no-break-space-kept") << u"a\u00A0b"_s
                                             << QByteArray("a\xA0"
                                                           "b");
        QTest::newRow("no-line-end-added") << u":01"_s << QByteArray(":01");
    }

    void uploadSendsOneBytePerCharacter()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, wire);
        f->connect();
        memo()->setPlainText(text);
        Colours::setBackground(memo(), Colours::White);
        click(u"sbUpload"_s);
        QVERIFY(!f->control<QAbstractButton>(u"sbUpload"_s)->isEnabled());
        waitForUploadEnd();
        QCOMPARE(f->pty.readAvailable(int(wire.size())), wire);
        QCOMPARE(gauge()->maximum(), wire.size());
        QCOMPARE(gauge()->value(), wire.size());
        QCOMPARE(memo()->textCursor().selectionStart(), 0);
        QCOMPARE(memo()->textCursor().selectionEnd(), memo()->document()->characterCount() - 1);
        QCOMPARE(Colours::background(memo()), Colours::Yellow);
        QCOMPARE(f->pty.drain(), QByteArray());
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void loadedLfFileIsUploadedWithCrLf()
    {
        loadFile(writeFile(u"lf.tout"_s, ":03,04\n:05,06\n"));
        f->connect();
        click(u"sbUpload"_s);
        waitForUploadEnd();
        QCOMPARE(f->pty.readAvailable(16), QByteArray(":03,04\r\n:05,06\r\n"));
    }

    void receivedFramesBecomeMemoryImageLines()
    {
        f->userSelectsPage(TfKorvant::PageTurnout);
        f->connect();
        const QStringList lines = MemoryImage::lines(exampleTable());
        const QString frames = StationWire::framePacket(QString(lines.at(0) + u"\r\n"_s)) +
                               StationWire::framePacket(QString(lines.at(1) + u"\r\n"_s));
        QCOMPARE(frames.size(), 2 * StationWire::TurnoutPacketSize);
        QVERIFY(f->pty.write(StationWire::bytesFromChars(frames)));
        QTRY_COMPARE_WITH_TIMEOUT(memoText(), lines.at(0) + u"\r\n"_s + lines.at(1) + u"\r\n"_s,
                                  2000);
        // A partial frame adds its content as soon as its "%" comes.
        const QString third = StationWire::framePacket(QString(lines.at(2) + u"\r\n"_s));
        QVERIFY(f->pty.write(StationWire::bytesFromChars(third.left(20))));
        QTRY_COMPARE_WITH_TIMEOUT(f->window->packetFramer().bufferedText(), third.left(20), 2000);
        QCOMPARE(MemoText::lines(memo()).size(), 2);
        QVERIFY(f->pty.write(StationWire::bytesFromChars(third.mid(20))));
        QTRY_COMPARE_WITH_TIMEOUT(MemoText::lines(memo()).size(), 3, 2000);
        QVERIFY(TurnoutSignature::startsTurnoutTable(memoText()));
    }
};

QTEST_MAIN(tst_TurnoutPages)
#include "tst_turnoutpages.moc"
