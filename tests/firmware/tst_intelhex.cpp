#include "firmware/firmwareupload.h"
#include "firmware/intelhex.h"
#include "link/memoryimage.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_IntelHex : public QObject
{
    Q_OBJECT

private:
    static QStringList linesOf(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return MemoryImage::lines(QString::fromLatin1(file.readAll()));
    }

private Q_SLOTS:
    void assembledFirmwarePasses_data()
    {
        QTest::addColumn<QString>("path");
        const QDir folder(QStringLiteral(KORVANT_FIRMWARE_DIR));
        for (const QString &name : folder.entryList({u"*.hex"_s}))
            QTest::newRow(qPrintable(name)) << folder.filePath(name);
    }

    void assembledFirmwarePasses()
    {
        QFETCH(QString, path);
        const QStringList lines = linesOf(path);
        QVERIFY(!lines.isEmpty());
        const IntelHex::CheckResult result = IntelHex::check(lines);
        QVERIFY2(result.ok, qPrintable(result.message()));
        QCOMPARE(result.records, lines.size());
    }

    void firstProblemIsNamed_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("badLine");
        QTest::addColumn<QString>("words");
        const QString data = u":0400000000308A0042"_s;
        const QString end = u":00000001FF"_s;
        QTest::newRow("changed-checksum")
            << QStringList{data, u":0400000000308A0041"_s, end} << 2 << u"checksum is 41"_s;
        QTest::newRow("short-record") << QStringList{u":0400000000308A"_s, end} << 1
                                      << u"byte count says 4 data bytes, the record holds 2"_s;
        QTest::newRow("too-short") << QStringList{u":00"_s, end} << 1 << u"too short"_s;
        QTest::newRow("missing-end-record") << QStringList{data} << 0 << u"no end-of-file"_s;
        QTest::newRow("no-colon") << QStringList{u"0400000000308A0040"_s, end} << 1
                                  << u"start with ':'"_s;
        QTest::newRow("not-hex") << QStringList{data, u":04000000003G8A0040"_s, end} << 2
                                 << u"'G' is not a hexadecimal digit"_s;
        QTest::newRow("odd-digits")
            << QStringList{u":0400000000308A004"_s, end} << 1 << u"too short"_s;
        QTest::newRow("unknown-type")
            << QStringList{u":00000006FA"_s, end} << 1 << u"record type 06"_s;
        QTest::newRow("empty-line-inside")
            << QStringList{data, QString(), end} << 2 << u"empty line"_s;
        QTest::newRow("record-after-end")
            << QStringList{end, data} << 2 << u"follows the end-of-file"_s;
        QTest::newRow("lower-case-is-fine")
            << QStringList{u":0400000000308a0042"_s, end} << -1 << QString();
    }

    void firstProblemIsNamed()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, badLine);
        QFETCH(QString, words);
        const IntelHex::CheckResult result = IntelHex::check(lines);
        if (badLine < 0) {
            QVERIFY2(result.ok, qPrintable(result.message()));
            return;
        }
        QVERIFY(!result.ok);
        QCOMPARE(result.badLine, badLine);
        QVERIFY2(result.message().contains(words), qPrintable(result.message()));
        if (badLine > 0)
            QVERIFY(result.message().startsWith(u"Line %1: "_s.arg(badLine)));
    }

    void logLines_data()
    {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("instant") << qint64(0) << u"Start: 0.0 BaudRate:115200"_s
                                 << u"End:00.00.000 BaudRate:115200"_s;
        QTest::newRow("one-minute-seven") << qint64(67250) << u"Start: 7.250 BaudRate:115200"_s
                                          << u"End:01.07.250 BaudRate:115200"_s;
        QTest::newRow("hours-not-shown")
            << qint64(3600000 + 52318) << u"Start: 52.318 BaudRate:115200"_s
            << u"End:00.52.318 BaudRate:115200"_s;
    }

    void logLines()
    {
        QFETCH(qint64, elapsedMs);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QCOMPARE(FirmwareUpload::startLine(elapsedMs, u"115200"_s), start);
        QCOMPARE(FirmwareUpload::endLine(elapsedMs, u"115200"_s), end);
    }

    void directSummaries()
    {
        using FirmwareUpload::Mode;
        QCOMPARE(FirmwareUpload::directSummary(Mode::Direct, 52318, u"57600"_s),
                 QStringList({u"Start: 0.0 BaudRate:57600"_s, u"End:00.52.318 BaudRate:57600"_s}));
        QCOMPARE(FirmwareUpload::directSummary(Mode::DirectComm, 52318, u"115200"_s),
                 QStringList({u"Start: 0.0"_s, u"End:00.52.318 Seconds - BaudRate:115200"_s}));
    }
};

QTEST_GUILESS_MAIN(tst_IntelHex)
#include "tst_intelhex.moc"
