#include "firmware/hexlist.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The firmware list's entries, the names that may be saved beside the program, the saved copy.
class TestHexList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entries_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("three-crlf-lines")
            << u"a.hex\r\nb.hex\r\nc.hex\r\n"_s << QStringList{u"a.hex"_s, u"b.hex"_s, u"c.hex"_s};
        QTest::newRow("no-line-end-after-last")
            << u"a.hex\r\nb.hex"_s << QStringList{u"a.hex"_s, u"b.hex"_s};
        QTest::newRow("empty-line-inside-is-an-entry")
            << u"a.hex\r\n\r\nc.hex\r\n"_s << QStringList{u"a.hex"_s, QString(), u"c.hex"_s};
        QTest::newRow("blanks-kept")
            << u"my firmware 2.hex \r\n"_s << QStringList{u"my firmware 2.hex "_s};
        QTest::newRow("lf-only") << u"a.hex\nb.hex\n"_s << QStringList{u"a.hex"_s, u"b.hex"_s};
        QTest::newRow("cr-only") << u"a.hex\rb.hex"_s << QStringList{u"a.hex"_s, u"b.hex"_s};
        QTest::newRow("empty") << QString() << QStringList();
    }
    void entries()
    {
        QFETCH(QString, listText);
        QFETCH(QStringList, expected);
        QCOMPARE(HexList::entries(listText), expected);
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("refused");
        QTest::newRow("plain") << u"Korvant_Blink_301a.hex"_s << false;
        QTest::newRow("blanks") << u"my firmware 2.hex"_s << false;
        QTest::newRow("dots-inside") << u"v1..2.hex"_s << false;
        QTest::newRow("parent-folder") << u"../x.hex"_s << true;
        QTest::newRow("parent-itself") << u".."_s << true;
        QTest::newRow("current-folder") << u"."_s << true;
        QTest::newRow("subfolder") << u"sub/x.hex"_s << true;
        QTest::newRow("absolute") << u"/tmp/x.hex"_s << true;
        QTest::newRow("backslash") << u"..\\x.hex"_s << true;
        QTest::newRow("drive-letter") << u"C:x.hex"_s << true;
        QTest::newRow("control-character") << u"x\t.hex"_s << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("upper-case-ending") << u"FIRMWARE.HEX"_s << false;
        QTest::newRow("mixed-case-ending") << u"f.Hex"_s << false;
        QTest::newRow("the-program") << u"korvant"_s << true;
        QTest::newRow("program-beside") << u"korvant.new"_s << true;
        QTest::newRow("ending-alone") << u".hex"_s << true;
        QTest::newRow("ending-inside") << u"x.hex.sh"_s << true;
        QTest::newRow("ending-without-dot") << u"xhex"_s << true;
    }
    void refusal()
    {
        QFETCH(QString, entry);
        QFETCH(bool, refused);
        QCOMPARE(!HexList::refusal(entry).isEmpty(), refused);
    }

    void savedCopy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("lf-lines") << u":00\n:01\n"_s << QByteArray(":00\r\n:01\r\n");
        QTest::newRow("crlf-lines") << u":00\r\n:01\r\n"_s << QByteArray(":00\r\n:01\r\n");
        QTest::newRow("no-end-after-last") << u":00\n:01"_s << QByteArray(":00\r\n:01\r\n");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void savedCopy()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(HexList::savedCopy(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestHexList)
#include "tst_hexlist.moc"
