#include "cliprocess.h"
#include "cv/cvsequence.h"
#include "firmware/hexlisting.h"
#include "firmware/intelhex.h"
#include "link/memoryimage.h"
#include "platform/textencoding.h"
#include "platform/versionrecord.h"
#include "support/testfiles.h"
#include "turnouts/turnouttable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray listedHex = ":020000040000FA\r\n"
                             ":04000000012345672C\r\n"
                             ":0600100003000400FFFFE5\r\n"
                             ":00000001FF\r\n";

QString firmware(const QString &name)
{
    return QStringLiteral(KORVANT_FIRMWARE_DIR "/") + name;
}

TurnoutTable::Rows rowsOf(const QList<QPair<int, QString>> &given)
{
    TurnoutTable::Rows rows;
    for (const auto &[group, row] : given)
        rows[group - 1] = row;
    return rows;
}

QByteArray memoryImage(const TurnoutTable::Rows &rows)
{
    return TurnoutTable::memoryImageText(TurnoutTable::digitsFromRows(rows)).toUtf8();
}

} // namespace

// The tool's commands that work on files and texts only: their results, their refusals, and
// how the command line itself is read.
class tst_CliFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir files;

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        return TestFiles::writeIn(files.path(), name, contents);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(files.isValid()); }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString hex = firmware(u"Korvant_Blink_301a.hex"_s);
        QTest::newRow("no-command") << QStringList{} << u"a command is missing"_s;
        QTest::newRow("unknown-command") << QStringList{u"bogus"_s} << u"\"bogus\""_s;
        QTest::newRow("unknown-option") << QStringList{u"ports"_s, u"--bogus"_s} << u"bogus"_s;
        QTest::newRow("missing-argument") << QStringList{u"hex-check"_s} << u"FILE is missing"_s;
        QTest::newRow("extra-argument")
            << QStringList{u"hex2asm"_s, hex, hex} << u"unexpected argument"_s;
        QTest::newRow("group-without-command") << QStringList{u"turnout"_s} << u"missing"_s;
        QTest::newRow("group-unknown-command")
            << QStringList{u"cv"_s, u"bogus"_s} << u"\"bogus\" is not a command"_s;
        QTest::newRow("flash-without-port") << QStringList{u"flash"_s, hex} << u"--port"_s;
        QTest::newRow("flash-unknown-mode")
            << QStringList{u"flash"_s, u"--port"_s, u"SIM1"_s, u"--mode"_s, u"fast"_s, hex}
            << u"--mode is one of"_s;
        QTest::newRow("flash-special-read-in-direct-mode")
            << QStringList{u"flash"_s, u"--port"_s, u"SIM1"_s, u"--special-read"_s, hex}
            << u"--mode standard"_s;
        QTest::newRow("flash-whole-and-special-read")
            << QStringList{u"flash"_s,    u"--port"_s,  u"SIM1"_s,           u"--mode"_s,
                           u"standard"_s, u"--whole"_s, u"--special-read"_s, hex}
            << u"exclude each other"_s;
        QTest::newRow("flash-zero-xon-timeout")
            << QStringList{u"flash"_s, u"--port"_s, u"SIM1"_s, u"--xon-timeout"_s, u"0"_s, hex}
            << u"--xon-timeout"_s;
        QTest::newRow("baud-not-a-number")
            << QStringList{u"send"_s, u"--port"_s, u"SIM1"_s, u"--baud"_s, u"fast"_s, u":E000"_s}
            << u"--baud"_s;
        QTest::newRow("send-not-an-instruction")
            << QStringList{u"send"_s, u"--port"_s, u"SIM1"_s, u":Q100"_s}
            << u"not an instruction"_s;
        QTest::newRow("send-loco-out-of-range")
            << QStringList{u"send"_s, u"--port"_s, u"SIM1"_s, u":S50A"_s}
            << u"not an instruction"_s;
        QTest::newRow("monitor-unknown-page")
            << QStringList{u"monitor"_s, u"--port"_s, u"SIM1"_s, u"--page"_s, u"firmware"_s}
            << u"--page"_s;
        QTest::newRow("monitor-zero-count")
            << QStringList{u"monitor"_s, u"--port"_s, u"SIM1"_s, u"--count"_s, u"0"_s}
            << u"--count"_s;
        QTest::newRow("cv-out-of-range")
            << QStringList{u"cv"_s, u"sequence"_s, u"250-256"_s} << u"\"256\""_s;
        QTest::newRow("cv-zero") << QStringList{u"cv"_s, u"sequence"_s, u"0,1"_s} << u"\"0\""_s;
        QTest::newRow("cv-backwards-range")
            << QStringList{u"cv"_s, u"sequence"_s, u"9-3"_s} << u"backwards"_s;
        QTest::newRow("cv-not-a-number")
            << QStringList{u"cv"_s, u"sequence"_s, u"1,x"_s} << u"\"x\""_s;
    }

    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CliResult result = CliProcess::run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
        QVERIFY(result.errText().contains(u"--help"_s));
        QCOMPARE(result.errText().count(u'\n'), 0);
        QVERIFY(result.out.isEmpty());
    }

    void everyCommandHasHelp_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("usage");
        QTest::newRow("tool") << QStringList{u"--help"_s} << u"Usage: korvant-cli <command>"_s;
        QTest::newRow("group") << QStringList{u"turnout"_s, u"--help"_s}
                               << u"Usage: korvant-cli turnout <command>"_s;
        const QStringList commands{u"ports"_s,      u"flash"_s,          u"send"_s,
                                   u"monitor"_s,    u"hex-check"_s,      u"hex2asm"_s,
                                   u"version-of"_s, u"turnout decode"_s, u"turnout encode"_s,
                                   u"cv sequence"_s};
        for (const QString &command : commands) {
            QTest::addRow("%s", qPrintable(command))
                << command.split(u' ') + QStringList{u"--help"_s}
                << u"Usage: korvant-cli "_s + command + u" [options]"_s;
        }
        QTest::newRow("short-option") << QStringList{u"cv"_s, u"sequence"_s, u"-h"_s}
                                      << u"Usage: korvant-cli cv sequence [options] LIST"_s;
    }

    void everyCommandHasHelp()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, usage);
        const CliResult result = CliProcess::run(arguments);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(QString::fromUtf8(result.out).startsWith(usage), result.out.constData());
        QVERIFY(result.err.isEmpty());
    }

    void versionOfReadsTheRecord_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("default-key") << u"2.0.0.3"_s << QStringList{} << u"2.0.0.3"_s;
        QTest::newRow("file-version")
            << u"2.0.0.10"_s << QStringList{u"FileVersion"_s} << u"2.0.0.10"_s;
        QTest::newRow("update-url")
            << u"2.0.0.3"_s << QStringList{u"UpdateURL"_s} << u"https://updates.invalid/Korvant"_s;
        QTest::newRow("unknown-key") << u"2.0.0.3"_s << QStringList{u"NoSuchKey"_s} << QString();
    }

    void versionOfReadsTheRecord()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, key);
        QFETCH(QString, value);
        const QString copy = files.filePath(u"korvant-cli.copy"_s);
        QFile::remove(copy);
        QVERIFY(QFile::copy(CliProcess::executable(), copy));
        QVERIFY(
            VersionRecord::stamp(copy, {{u"FileVersion"_s, version},
                                        {u"UpdateURL"_s, u"https://updates.invalid/Korvant"_s}}));
        const CliResult result = CliProcess::run(QStringList{u"version-of"_s, copy} + key);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outLines(), QStringList{value});
    }

    void versionOfTheToolItself()
    {
        const CliResult result = CliProcess::run({u"version-of"_s, CliProcess::executable()});
        QCOMPARE(result.outLines(), QStringList{QStringLiteral(KORVANT_EXPECTED_VERSION)});
        QCOMPARE(CliProcess::run({u"--version"_s}).outLines(),
                 QStringList{u"korvant-cli " KORVANT_EXPECTED_VERSION ""_s});
    }

    void versionOfAFileWithoutRecordIsAnEmptyLine()
    {
        const CliResult result =
            CliProcess::run({u"version-of"_s, writeFile(u"plain.bin"_s, "no record in here")});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("\n"));
    }

    void fileCommandsFailOnAMissingFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString missing = u"/nonexistent/firmware.hex"_s;
        QTest::newRow("version-of") << QStringList{u"version-of"_s, missing};
        QTest::newRow("hex-check") << QStringList{u"hex-check"_s, missing};
        QTest::newRow("hex2asm") << QStringList{u"hex2asm"_s, missing};
        QTest::newRow("turnout-decode") << QStringList{u"turnout"_s, u"decode"_s, missing};
        QTest::newRow("turnout-encode") << QStringList{u"turnout"_s, u"encode"_s, missing};
        QTest::newRow("flash") << QStringList{u"flash"_s, u"--port"_s, u"SIM1"_s, missing};
    }

    void fileCommandsFailOnAMissingFile()
    {
        QFETCH(QStringList, arguments);
        const CliResult result = CliProcess::run(arguments);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errText().startsWith(u"korvant-cli: Cannot open "_s),
                 qPrintable(result.errText()));
        QVERIFY(result.errText().contains(u"/nonexistent/firmware.hex"_s));
        QCOMPARE(result.errText().count(u'\n'), 0);
    }

    void hexCheckPassesTheBuiltFirmware_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blink") << u"Korvant_Blink_301a.hex"_s;
        QTest::newRow("uart-echo") << u"Korvant_UartEcho_301b.hex"_s;
        QTest::newRow("pattern-table") << u"Korvant_PatternTable_301e.hex"_s;
    }

    void hexCheckPassesTheBuiltFirmware()
    {
        QFETCH(QString, name);
        const QString path = firmware(name);
        const int records =
            IntelHex::check(MemoryImage::lines(TextEncoding::readTextFile(path))).records;
        QVERIFY(records > 1);
        const CliResult result = CliProcess::run({u"hex-check"_s, path});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outLines(), QStringList{u"ok, %1 records"_s.arg(records)});
    }

    void hexCheckNamesTheFirstBadLine_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad-checksum")
            << QByteArray(":020000040000FA\r\n:04000000012345672D\r\n:00000001FF\r\n")
            << u"korvant-cli: Line 2:"_s;
        QTest::newRow("no-end-record") << QByteArray(":020000040000FA\n") << u"korvant-cli: "_s;
        QTest::newRow("lf-line-ends-are-fine-but-text-is-not")
            << QByteArray(":020000040000FA\nhello\n:00000001FF\n") << u"korvant-cli: Line 2:"_s;
    }

    void hexCheckNamesTheFirstBadLine()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        const CliResult result =
            CliProcess::run({u"hex-check"_s, writeFile(u"bad.hex"_s, contents)});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errText().startsWith(message), qPrintable(result.errText()));
        QCOMPARE(result.errText().count(u'\n'), 0);
        QVERIFY(result.out.isEmpty());
    }

    void hex2asmListsEachRecordAfterTheFirst()
    {
        const CliResult result =
            CliProcess::run({u"hex2asm"_s, writeFile(u"listed.hex"_s, listedHex)});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("\tdw  0x2301,0x6745  ; \t\\x0000\n"
                                        "\tdw  0x0003,0x0004,0xFFFF  ; \t\\x0008\n"
                                        "\tdw   ; \t\\x0000\n"));
    }

    void hex2asmOfTheLargestFirmwareIsTheLibrarysListing()
    {
        const QString path = firmware(u"Korvant_PatternTable_301e.hex"_s);
        const HexListing::Result listing =
            HexListing::fromHexLines(MemoryImage::lines(TextEncoding::readTextFile(path)));
        QVERIFY(listing.error.isEmpty());
        const CliResult result = CliProcess::run({u"hex2asm"_s, path});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outLines(), listing.lines);
    }

    void hex2asmStopsAtALineItCannotConvert()
    {
        const QByteArray hex =
            ":020000040000FA\r\n:04000000012345672C\r\n:ZZ001000\r\n:00000001FF\r\n";
        const CliResult result = CliProcess::run({u"hex2asm"_s, writeFile(u"broken.hex"_s, hex)});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.out, QByteArray("\tdw  0x2301,0x6745  ; \t\\x0000\n"));
        QVERIFY(result.errText().startsWith(u"korvant-cli: "_s));
        QVERIFY2(result.errText().contains(u"ZZ"_s), qPrintable(result.errText()));
    }

    void turnoutDecodeShowsTheGroupsWithEntries()
    {
        const QByteArray image =
            memoryImage(rowsOf({{1, u"05/07|"_s}, {3, u"12R13"_s}, {26, u"99/"_s}}));
        const CliResult result =
            CliProcess::run({u"turnout"_s, u"decode"_s, writeFile(u"table.tout"_s, image)});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outLines(),
                 (QStringList{u"A\t05/ 07| "_s, u"C\t12/ 13| "_s, u"Z\t99/ "_s}));
    }

    void turnoutDecodeOfAnEmptyTablePrintsNothing()
    {
        const CliResult result = CliProcess::run(
            {u"turnout"_s, u"decode"_s, writeFile(u"empty.tout"_s, memoryImage({}))});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.isEmpty());
    }

    void turnoutDecodeRefusesADamagedFile()
    {
        QByteArray image = memoryImage(rowsOf({{1, u"05/07|"_s}}));
        image[60] = '#'; // letters read as digits; other characters do not
        const CliResult result =
            CliProcess::run({u"turnout"_s, u"decode"_s, writeFile(u"damaged.tout"_s, image)});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errText().contains(u"is not a valid integer value"_s),
                 qPrintable(result.errText()));
        QVERIFY(result.out.isEmpty());
    }

    void turnoutEncodeWritesTheExportsMemoryImage_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("image");
        const QByteArray two = memoryImage(rowsOf({{1, u"05/07|"_s}, {3, u"12R13"_s}}));
        QTest::newRow("two-groups") << QByteArray("A 05/07|\nC 12R13\n") << two;
        QTest::newRow("crlf-blank-lines-lower-case")
            << QByteArray("\r\nc 12r13\r\n\r\na 05/07|\r\n") << two;
        QTest::newRow("decoder-output-form") << QByteArray("A\t05/ 07| \nC\t12/ 13| \n") << two;
        QTest::newRow("checked-but-empty") << QByteArray("B\n") << memoryImage(rowsOf({{2, {}}}));
        QTest::newRow("nothing") << QByteArray() << memoryImage({});
        QString full;
        for (int n = 0; n < 111; ++n)
            full += u"%1/"_s.arg(n % 100, 2, 10, QChar(u'0'));
        QTest::newRow("222-entries-fit") << (u"A "_s + full + u"\nB "_s + full + u'\n').toUtf8()
                                         << memoryImage(rowsOf({{1, full}, {2, full}}));
    }

    void turnoutEncodeWritesTheExportsMemoryImage()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, image);
        QCOMPARE(image.size(), 800);
        const CliResult fromStdin = CliProcess::run({u"turnout"_s, u"encode"_s}, input);
        QCOMPARE(fromStdin.exitCode, 0);
        QCOMPARE(fromStdin.out, image);
        const CliResult fromFile =
            CliProcess::run({u"turnout"_s, u"encode"_s, writeFile(u"rows.txt"_s, input)});
        QCOMPARE(fromFile.out, image);
        const CliResult fromDash = CliProcess::run({u"turnout"_s, u"encode"_s, u"-"_s}, input);
        QCOMPARE(fromDash.out, image);
    }

    void turnoutEncodeRefusesWhatTheExportRefuses_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("trailing-fragment") << QByteArray("A 05/7\n") << u"Group A"_s;
        QString full;
        for (int n = 0; n < 112; ++n)
            full += u"%1/"_s.arg(n % 100, 2, 10, QChar(u'0'));
        QTest::newRow("223-entries")
            << (u"A "_s + full + u"\nB "_s + full.left(333)).toUtf8() << u"at most 222 entries"_s;
        QTest::newRow("not-a-number") << QByteArray("A 0x/\n") << u"not a valid integer"_s;
        QTest::newRow("no-group-letter") << QByteArray("05/07|\n") << u"Line 1"_s;
        QTest::newRow("letter-glued-to-row") << QByteArray("A05/\n") << u"Line 1"_s;
        QTest::newRow("group-twice")
            << QByteArray("A 05/\nB 06/\na 07/\n") << u"Line 3: group A is given twice"_s;
    }

    void turnoutEncodeRefusesWhatTheExportRefuses()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        const CliResult result = CliProcess::run({u"turnout"_s, u"encode"_s}, input);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
        QCOMPARE(result.errText().count(u'\n'), 0);
        QVERIFY(result.out.isEmpty());
    }

    void turnoutTablesRoundTrip()
    {
        const QByteArray rows = "A 05/07|12R\nM 01|\nZ 99/98/97/\n";
        const CliResult encoded = CliProcess::run({u"turnout"_s, u"encode"_s}, rows);
        QCOMPARE(encoded.exitCode, 0);
        const CliResult decoded =
            CliProcess::run({u"turnout"_s, u"decode"_s, writeFile(u"round.tout"_s, encoded.out)});
        QCOMPARE(decoded.outLines(),
                 (QStringList{u"A\t05/ 07| 12/ "_s, u"M\t01| "_s, u"Z\t99/ 98/ 97/ "_s}));
        const CliResult again = CliProcess::run({u"turnout"_s, u"encode"_s}, decoded.out);
        QCOMPARE(again.out, encoded.out);
    }

    void cvSequenceIsTheSequenceText_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<int>>("cvs");
        QTest::newRow("range-and-single") << u"1-5,29"_s << QList<int>{1, 2, 3, 4, 5, 29};
        QTest::newRow("unordered-with-repeats-and-blanks")
            << u" 29 , 3-4,3"_s << QList<int>{3, 4, 29};
        QTest::newRow("all") << u"1-255"_s << QList<int>{};
        QTest::newRow("empty") << QString() << QList<int>{};
    }

    void cvSequenceIsTheSequenceText()
    {
        QFETCH(QString, list);
        QFETCH(QList<int>, cvs);
        if (list == u"1-255"_s) {
            for (int cv = 1; cv <= 255; ++cv)
                cvs.append(cv);
        }
        const CliResult result = CliProcess::run({u"cv"_s, u"sequence"_s, list});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, CvSequence::text(cvs).toUtf8());
        QCOMPARE(result.out.size(), 800);
        QCOMPARE(CvSequence::cvsIn(QString::fromUtf8(result.out)).size(), cvs.size());
    }
};

QTEST_GUILESS_MAIN(tst_CliFiles)
#include "tst_clifiles.moc"
