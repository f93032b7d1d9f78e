#include "turnouts/toutfile.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(ToutFile::Encoding)

namespace {

// Every byte but the line-end bytes, then a CR LF: what a code-page file can hold exactly.
QByteArray everyByte()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            bytes.append(char(b));
    }
    return bytes + "\r\n";
}

} // namespace

class tst_ToutFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<ToutFile::Encoding>("encoding");
        const auto codePage = ToutFile::Encoding::Ansi;
        QTest::newRow("crlf-kept")
            << QByteArray(":03,04\r\n:00\r\n") << u":03,04\r\n:00\r\n"_s << codePage;
        QTest::newRow("lf-becomes-crlf") << QByteArray("a\nb\n") << u"a\r\nb\r\n"_s << codePage;
        QTest::newRow("cr-becomes-crlf") << QByteArray("a\rb") << u"a\r\nb"_s << codePage;
        QTest::newRow("mixed-line-ends")
            << QByteArray("a\r\nb\nc\rd\n\r") << u"a\r\nb\r\nc\r\nd\r\n\r\n"_s << codePage;
        QTest::newRow("code-page-high-byte")
            << QByteArray("\x80\xE9") << u"\u20AC\u00E9"_s << codePage;
        QTest::newRow("utf8-mark")
            << QByteArray("\xEF\xBB\xBF\xC3\xA9\n") << u"\u00E9\r\n"_s << ToutFile::Encoding::Utf8;
        QTest::newRow("utf8-second-mark-is-text")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << u"\uFEFFx"_s << ToutFile::Encoding::Utf8;
        QTest::newRow("utf16le-mark")
            << QByteArray("\xFF\xFE:\0\n\0", 6) << u":\r\n"_s << ToutFile::Encoding::Utf16LE;
        QTest::newRow("utf16be-mark")
            << QByteArray("\xFE\xFF\0:\0\r", 6) << u":\r\n"_s << ToutFile::Encoding::Utf16BE;
        QTest::newRow("empty") << QByteArray() << QString() << codePage;
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(ToutFile::Encoding, encoding);
        const ToutFile::Read read = ToutFile::decode(bytes);
        QCOMPARE(read.text, text);
        QCOMPARE(read.encoding, encoding);
    }

    void filesReadAndWrittenAgreeByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("code-page-every-byte") << everyByte();
        QTest::newRow("code-page-table")
            << QByteArray(":03,04,05,06,0F,04,0A,00,85,07,00,00,8C,00,00,00\r\n");
        QTest::newRow("utf8") << QByteArray("\xEF\xBB\xBF:03,\xE2\x82\xAC\r\n");
        QTest::newRow("utf16le") << QByteArray("\xFF\xFE:\0\xAC\x20\r\0\n\0", 10);
        QTest::newRow("utf16be") << QByteArray("\xFE\xFF\0:\x20\xAC\0\r\0\n", 10);
    }

    void filesReadAndWrittenAgreeByteForByte()
    {
        QFETCH(QByteArray, bytes);
        const ToutFile::Read read = ToutFile::decode(bytes);
        const ToutFile::Written written = ToutFile::encode(read.text, read.encoding);
        QCOMPARE(written.bytes, bytes);
        QCOMPARE(written.unrepresentable, 0);
    }

    void textsReadBackAsWritten_data()
    {
        QTest::addColumn<ToutFile::Encoding>("encoding");
        QTest::newRow("utf8") << ToutFile::Encoding::Utf8;
        QTest::newRow("utf16le") << ToutFile::Encoding::Utf16LE;
        QTest::newRow("utf16be") << ToutFile::Encoding::Utf16BE;
    }

    void textsReadBackAsWritten()
    {
        QFETCH(ToutFile::Encoding, encoding);
        const QString text = u":03,\u0141\u4E00\U0001F600\r\n"_s;
        const ToutFile::Read read = ToutFile::decode(ToutFile::encode(text, encoding).bytes);
        QCOMPARE(read.text, text);
        QCOMPARE(read.encoding, encoding);
    }

    void codePageWritesQuestionMarksForWhatItCannotHold()
    {
        const ToutFile::Written written =
            ToutFile::encode(u"a\u4E00b\U0001F600c"_s, ToutFile::Encoding::Ansi);
        QCOMPARE(written.bytes, QByteArray("a?b?c"));
        QCOMPARE(written.unrepresentable, 2);
    }
};

QTEST_GUILESS_MAIN(tst_ToutFile)
#include "tst_toutfile.moc"
