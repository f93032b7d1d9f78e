#include "link/memoryimage.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ZeroLine = u":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00"_s;

QString repeatedLines(const QString &line, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += line + u"\r\n"_s;
    return text;
}

} // namespace

class TestMemoryImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data();
    void text();
    void fullImageIsSixteenLinesOf48();
    void longerListingLosesOnlyItsSeventeenthLine();
    void linesSplitsAtCrLf();
    void deleteCrLf_data();
    void deleteCrLf();
};

void TestMemoryImage::text_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty-gives-sixteen-zero-lines") << QString() << repeatedLines(ZeroLine, 16);
    QTest::newRow("0304-first-line")
        << u"0304"_s
        << u":03,04,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"_s + repeatedLines(ZeroLine, 15);
    QTest::newRow("digits-kept-as-they-stand")
        << u"ab"_s
        << u":ab,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"_s + repeatedLines(ZeroLine, 15);
    QTest::newRow("second-line-starts-at-byte-17")
        << QString(32, u'1') + u"22"_s
        << repeatedLines(u":11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11"_s, 1) +
               u":22,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"_s +
               repeatedLines(ZeroLine, 14);
    // Padding adds pairs while 510 or fewer digits stand, so an odd text ends one digit short
    // and no seventeenth line is begun.
    QTest::newRow("odd-length-stays-odd")
        << u"1"_s
        << u":10,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n"_s + repeatedLines(ZeroLine, 14) +
               u":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,0"_s;
}

void TestMemoryImage::text()
{
    QFETCH(QString, digits);
    QFETCH(QString, expected);
    QCOMPARE(MemoryImage::text(digits), expected);
}

void TestMemoryImage::fullImageIsSixteenLinesOf48()
{
    const QString text = MemoryImage::text(QString(512, u'F'));
    QCOMPARE(text.size(), MemoryImage::TextLength);
    const QStringList lines = MemoryImage::lines(text);
    QCOMPARE(lines.size(), MemoryImage::LineCount);
    for (const QString &line : lines)
        QCOMPARE(line.size(), MemoryImage::LineLength);
    QVERIFY(text.endsWith(u"FF\r\n"_s));
}

void TestMemoryImage::longerListingLosesOnlyItsSeventeenthLine()
{
    const QString digits = QString(512, u'0') + QString(32, u'1') + QString(4, u'2');
    const QString expected = repeatedLines(ZeroLine, 16) + u"\r\n:22,22,"_s;
    QCOMPARE(MemoryImage::text(digits), expected);
}

void TestMemoryImage::linesSplitsAtCrLf()
{
    QCOMPARE(MemoryImage::lines(u":a\r\n:b\r\n"_s), (QStringList{u":a"_s, u":b"_s}));
    QCOMPARE(MemoryImage::lines(u":a\r\n:b"_s), (QStringList{u":a"_s, u":b"_s}));
    QCOMPARE(MemoryImage::lines(QString()), QStringList());
}

void TestMemoryImage::deleteCrLf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two-pairs") << u"a\r\nb\r\n"_s << u"a b "_s;
    QTest::newRow("version-line") << u"2.0.0.5\r\n"_s << u"2.0.0.5 "_s;
    QTest::newRow("lone-cr-and-lf-stay") << u"a\rb\nc"_s << u"a\rb\nc"_s;
    QTest::newRow("lf-cr-is-not-a-pair") << u"a\n\rb"_s << u"a\n\rb"_s;
    QTest::newRow("cr-cr-lf") << u"a\r\r\nb"_s << u"a\r b"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestMemoryImage::deleteCrLf()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(DeleteCRLF(text), expected);
}

QTEST_GUILESS_MAIN(TestMemoryImage)
#include "tst_memoryimage.moc"
