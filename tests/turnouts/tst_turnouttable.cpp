#include "link/memoryimage.h"
#include "platform/korvanterror.h"
#include "turnouts/turnoutsignature.h"
#include "turnouts/turnouttable.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// The groups that have entries, as "A:05/ 07| ": what the decoder page would show.
QStringList shown(const TurnoutTable::Groups &groups)
{
    QStringList rows;
    for (int n = 1; n <= TurnoutTable::GroupCount; ++n) {
        if (!groups[n - 1].isEmpty())
            rows.append(TurnoutTable::groupLetter(n) + u":"_s +
                        TurnoutTable::groupText(groups[n - 1]));
    }
    return rows;
}

// A turnout table's memory image text from the digits after the signature.
QString table(const QString &digits)
{
    return MemoryImage::text(QString(TurnoutSignature::SignatureDigits.toString() + digits));
}

QString entryBytes(const TurnoutGroup &group)
{
    QString hex;
    for (const TurnoutEntry &entry : group)
        hex += QString::number(entry.byte(), 16).rightJustified(2, u'0').toUpper();
    return hex;
}

// Canonical rows as the encoder shows them after an export: entries 01-99, both marks.
TurnoutTable::Rows canonicalRows(int entries)
{
    TurnoutTable::Rows rows;
    for (int i = 0; i < entries; ++i) {
        const int group = (i * 7) % TurnoutTable::GroupCount;
        const TurnoutEntry entry{1 + (i * 37) % 99, i % 3 == 0};
        rows[group] = rows[group].value_or(QString()) + entry.text();
    }
    return rows;
}

} // namespace

class tst_TurnoutTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryText_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("text");
        QTest::newRow("close-07") << 0x07 << u"07| "_s;
        QTest::newRow("open-05") << 0x85 << u"05/ "_s;
        QTest::newRow("open-01-is-0x81") << 0x81 << u"01/ "_s;
        QTest::newRow("0x80-reads-close-128") << 0x80 << u"128|"_s;
        QTest::newRow("0x64-reads-close-100") << 0x64 << u"100|"_s;
        QTest::newRow("0x7F-reads-close-127") << 0x7F << u"127|"_s;
        QTest::newRow("0xFF-reads-open-127") << 0xFF << u"127/"_s;
        QTest::newRow("close-99") << 99 << u"99| "_s;
    }

    void entryText()
    {
        QFETCH(int, byte);
        QFETCH(QString, text);
        QCOMPARE(TurnoutEntry::fromByte(byte).text(), text);
    }

    void decode_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("example") << table(u"0085070000"
                                          "8C00"_s)
                                 << QStringList{u"A:05/ 07| "_s, u"C:12/ "_s};
        QTest::newRow("signature-only") << table(QString()) << QStringList{};
        QTest::newRow("empty-text") << QString() << QStringList{};
        QTest::newRow("21-characters") << u":03,04,05,06,0F,04,0A"_s << QStringList{};
        QTest::newRow("0x80-is-128") << table(u"008000"_s) << QStringList{u"A:128|"_s};
        QTest::newRow("0x64-to-0x7F") << table(u"00647F00"_s) << QStringList{u"A:100|127|"_s};
        // "c" counts 99 - 55 = 44: 8 * 16 + 44 = 172 = 0x80 + 44.
        QTest::newRow("lower-case-letter-code-minus-55")
            << table(u"008c00"_s) << QStringList{u"A:44/ "_s};
        QTest::newRow("any-letter-code-minus-55") << table(u"00G100"_s) << QStringList{u"A:129/"_s};
        QTest::newRow("bytes-after-group-Z-ignored")
            << table(u"0005"_s + QString(2 * 26, u'0') + u"0755#!"_s) << QStringList{u"A:05| "_s};
        QTest::newRow("foreign-signature")
            << u":FF,FF,FF,FF,FF,FF,FF,00,85,00\r\n"_s << QStringList{u"A:05/ "_s};
        QTest::newRow("signature-not-examined")
            << u"#####################,00,00,86,00\r\n"_s << QStringList{u"B:06/ "_s};
        QTest::newRow("missing-terminator-ends-with-text")
            << u":03,04,05,06,0F,04,0A,00,00,85,07"_s << QStringList{u"B:05/ 07| "_s};
        QTest::newRow("half-byte-at-end-ignored")
            << u":03,04,05,06,0F,04,0A,00,85,0"_s << QStringList{u"A:05/ "_s};
        QTest::newRow("lf-line-ends") << table(u"0085070000"
                                               "8C00"_s)
                                             .replace(u"\r\n"_s, u"\n"_s)
                                      << QStringList{u"A:05/ 07| "_s, u"C:12/ "_s};
        QTest::newRow("group-Z") << table(QString(2 * 25, u'0') + u"0063E300"_s)
                                 << QStringList{u"Z:99| 99/ "_s};
    }

    void decode()
    {
        QFETCH(QString, memo);
        QFETCH(QStringList, groups);
        QCOMPARE(shown(TurnoutTable::decode(memo)), groups);
    }

    void decodeRefusesAStrayCharacter_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank-in-pair")
            << u":03,04,05,06,0F,04,0A,00,8 ,00"_s << u"' ' is not a valid integer value"_s;
        QTest::newRow("stray-high-digit")
            << u":03,04,05,06,0F,04,0A,00,85,#7,00"_s << u"'#' is not a valid integer value"_s;
        QTest::newRow("stray-low-digit")
            << u":03,04,05,06,0F,04,0A,00,0%,00"_s << u"'%' is not a valid integer value"_s;
        QTest::newRow("both-digits-stray")
            << u":03,04,05,06,0F,04,0A,00,#%,00"_s << u"'#' is not a valid integer value"_s;
        QTest::newRow("non-ascii-letter") << u":03,04,05,06,0F,04,0A,00,\u00E95,00"_s
                                          << u"'\u00E9' is not a valid integer value"_s;
    }

    void decodeRefusesAStrayCharacter()
    {
        QFETCH(QString, memo);
        QFETCH(QString, error);
        QCOMPARE(failureOf([&] { TurnoutTable::decode(memo); }), error);
    }

    void parseRow_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("no-separators") << u"05/07|"_s << u"8507"_s;
        QTest::newRow("blank-separator") << u"05/ 07|"_s << u"8507"_s;
        QTest::newRow("comma-separator") << u"05/,07|"_s << u"8507"_s;
        QTest::newRow("comma-is-a-mark") << u"05,07/"_s << u"0587"_s;
        QTest::newRow("canonical") << u"05/ 07| 12/ "_s << u"85078C"_s;
        QTest::newRow("R-and-C") << u"05R07C"_s << u"8507"_s;
        QTest::newRow("12L-is-close") << u"12L"_s << u"0C"_s;
        QTest::newRow("12R-open") << u"12R"_s << u"8C"_s;
        QTest::newRow("12O-open") << u"12O"_s << u"8C"_s;
        QTest::newRow("12T-open") << u"12T"_s << u"8C"_s;
        QTest::newRow("12/-open") << u"12/"_s << u"8C"_s;
        QTest::newRow("12-blank-close") << u"12 "_s << u"0C"_s;
        QTest::newRow("12C-close") << u"12C"_s << u"0C"_s;
        QTest::newRow("other-mark-close") << u"12X"_s << u"0C"_s;
        QTest::newRow("last-without-mark") << u"05/12"_s << u"850C"_s;
        QTest::newRow("leading-separators") << u" C,|05/"_s << u"85"_s;
        QTest::newRow("00|-gives-zero-byte") << u"00|"_s << u"00"_s;
        QTest::newRow("00/-gives-0x80") << u"00/"_s << u"80"_s;
        QTest::newRow("99/") << u"99/"_s << u"E3"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("only-separators") << u" ,|C"_s << QString();
    }

    void parseRow()
    {
        QFETCH(QString, row);
        QFETCH(QString, bytes);
        QCOMPARE(entryBytes(TurnoutTable::parseRow(row, u'A')), bytes);
    }

    void parseRowRefuses_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("error");
        const QString fragment = u"Group E: the row ends in \"%1\", which is not a whole entry "
                                 "(two digits and a mark). Nothing was exported."_s;
        QTest::newRow("digit-then-mark") << u"5/"_s << u"'5/' is not a valid integer value"_s;
        QTest::newRow("letter-in-number") << u"A1/"_s << u"'A1' is not a valid integer value"_s;
        QTest::newRow("second-entry") << u"05/A1/"_s << u"'A1' is not a valid integer value"_s;
        QTest::newRow("sign") << u"-1/"_s << u"'-1' is not a valid integer value"_s;
        QTest::newRow("digit-then-blank") << u"0 5"_s << u"'0 ' is not a valid integer value"_s;
        QTest::newRow("fragment-after-entry") << u"05/7"_s << fragment.arg(u"7"_s);
        QTest::newRow("fragment-alone") << u" 7"_s << fragment.arg(u"7"_s);
    }

    void parseRowRefuses()
    {
        QFETCH(QString, row);
        QFETCH(QString, error);
        QCOMPARE(failureOf([&] { TurnoutTable::parseRow(row, u'E'); }), error);
    }

    void allGroupsUncheckedGiveTheBareTable()
    {
        const QString digits = TurnoutTable::digitsFromRows({});
        QCOMPARE(digits, QString(2 * 27, u'0'));
        const QString text = TurnoutTable::memoryImageText(digits);
        QCOMPARE(text.size(), MemoryImage::TextLength);
        QVERIFY(text.startsWith(u":03,04,05,06,0F,04,0A,00,00,00,00,00,00,00,00,00\r\n"_s));
        QVERIFY(shown(TurnoutTable::decode(text)).isEmpty());
    }

    void eachGroupEndsWithItsTerminator()
    {
        TurnoutTable::Rows rows;
        rows[1] = u"05/ 07|"_s;
        rows[25] = u"12/"_s;
        QCOMPARE(TurnoutTable::digitsFromRows(rows),
                 u"00"_s + u"00"_s + u"850700"_s + QString(2 * 23, u'0') + u"8C00"_s);
    }

    void exportThenImportIsTheIdentity_data()
    {
        QTest::addColumn<int>("entries");
        QTest::newRow("one") << 1;
        QTest::newRow("twenty") << 20;
        QTest::newRow("full-222") << TurnoutTable::MaxEntries;
    }

    void exportThenImportIsTheIdentity()
    {
        QFETCH(int, entries);
        const TurnoutTable::Rows rows = canonicalRows(entries);
        const QString text = TurnoutTable::memoryImageText(TurnoutTable::digitsFromRows(rows));
        QCOMPARE(text.size(), MemoryImage::TextLength);
        const TurnoutTable::Groups groups = TurnoutTable::decode(text);
        for (int n = 1; n <= TurnoutTable::GroupCount; ++n)
            QCOMPARE(TurnoutTable::groupText(groups[n - 1]), rows[n - 1].value_or(QString()));
    }

    void moreThan222EntriesAreRefused()
    {
        const TurnoutTable::Rows rows = canonicalRows(TurnoutTable::MaxEntries + 1);
        QCOMPARE(failureOf([&] { TurnoutTable::digitsFromRows(rows); }),
                 u"The turnout table holds at most 222 entries; these groups have 223. "
                 "Nothing was exported."_s);
    }

    void zeroEntryShiftsTheLaterGroups()
    {
        TurnoutTable::Rows rows;
        rows[0] = u"05/00|07|"_s;
        rows[1] = u"10/"_s;
        rows[25] = u"20|"_s;
        const TurnoutTable::Groups groups =
            TurnoutTable::decode(TurnoutTable::memoryImageText(TurnoutTable::digitsFromRows(rows)));
        // A's 00 ended it; its rest moved to B, B to C, and Z fell off the end.
        QCOMPARE(shown(groups), (QStringList{u"A:05/ "_s, u"B:07| "_s, u"C:10/ "_s}));
    }

    void asmDumpLayout_data()
    {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<int>("lastLineBytes");
        QTest::newRow("empty-table") << TurnoutTable::digitsFromRows({})
                                     << u"\t\tde\t0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,"
                                        "0x00,0x00,0x00,0x00,0x00,0x00,0x00"_s
                                     << 8;
        QTest::newRow("example") << u"0085070000"
                                    "8C00"_s
                                 << u"\t\tde\t0x00,0x85,0x07,0x00,0x00,0x8C,0x00,0x00,0x00,"
                                    "0x00,0x00,0x00,0x00,0x00,0x00,0x00"_s
                                 << 8;
        // 222 entries fill the table to its last byte: 249 bytes after the signature.
        QTest::newRow("full-table")
            << TurnoutTable::digitsFromRows(canonicalRows(TurnoutTable::MaxEntries)) << QString()
            << 9;
    }

    void asmDumpLayout()
    {
        QFETCH(QString, digits);
        QFETCH(QString, firstLine);
        QFETCH(int, lastLineBytes);
        const QStringList lines = TurnoutTable::asmDump(digits).split(u"\r\n"_s);
        QCOMPARE(lines.size(), 17);
        QCOMPARE(lines.first(), u"SeqMem"_s);
        if (!firstLine.isEmpty())
            QCOMPARE(lines.at(1), firstLine);
        for (int i = 1; i < 16; ++i) {
            QVERIFY(lines.at(i).startsWith(u"\t\tde\t0x"_s));
            QCOMPARE(lines.at(i).count(u"0x"_s), 16);
        }
        QCOMPARE(lines.last().count(u"0x"_s), lastLineBytes);
        QVERIFY(!lines.last().endsWith(u','));
    }
};

QTEST_GUILESS_MAIN(tst_TurnoutTable)
#include "tst_turnouttable.moc"
