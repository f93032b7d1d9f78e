#include "firmware/hexlisting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_HexListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listing_data()
    {
        QTest::addColumn<QStringList>("hex");
        QTest::addColumn<QStringList>("listing");
        QTest::addColumn<QString>("error");
        const QString skipped = u":020000040000FA"_s;
        QTest::newRow("four-bytes")
            << QStringList{skipped, u":0400000001234567 2C"_s.remove(u' ')}
            << QStringList{u"\tdw  0x2301,0x6745  ; \t\\x0000"_s} << QString();
        QTest::newRow("six-bytes-at-0010")
            << QStringList{skipped, u":06001000030004 00FFFFE5"_s.remove(u' ')}
            << QStringList{u"\tdw  0x0003,0x0004,0xFFFF  ; \t\\x0008"_s} << QString();
        QTest::newRow("end-of-file-three-blanks")
            << QStringList{skipped, u":00000001FF"_s} << QStringList{u"\tdw   ; \t\\x0000"_s}
            << QString();
        QTest::newRow("one-line-memo")
            << QStringList{u":0400000001234567 2C"_s} << QStringList{} << QString();
        QTest::newRow("odd-count-drops-last-byte")
            << QStringList{skipped, u":03002000AABBCC00"_s}
            << QStringList{u"\tdw  0xBBAA  ; \t\\x0010"_s} << QString();
        QTest::newRow("lower-case-data-kept-address-upper")
            << QStringList{skipped, u":0200fe00ab0c00"_s}
            << QStringList{u"\tdw  0x0cab  ; \t\\x007F"_s} << QString();
        QTest::newRow("non-hex-address-keeps-earlier-lines")
            << QStringList{skipped, u":00000001FF"_s, u":0200G000AB0C00"_s}
            << QStringList{u"\tdw   ; \t\\x0000"_s} << u"'$00G0' is not a valid integer value"_s;
        QTest::newRow("non-hex-count") << QStringList{skipped, u":Z200000000"_s} << QStringList{}
                                       << u"'$Z2' is not a valid integer value"_s;
        QTest::newRow("short-line-is-reported")
            << QStringList{skipped, u":0400000001"_s} << QStringList{}
            << u"Line 2 holds 11 characters; its byte count needs 17."_s;
    }

    void listing()
    {
        QFETCH(QStringList, hex);
        QFETCH(QStringList, listing);
        QFETCH(QString, error);
        const HexListing::Result result = HexListing::fromHexLines(hex);
        QCOMPARE(result.lines, listing);
        QCOMPARE(result.error, error);
    }
};

QTEST_GUILESS_MAIN(tst_HexListing)
#include "tst_hexlisting.moc"
