#include "platform/textencoding.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using TextEncoding::Encoding;

class tst_TextEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Encoding>("encoding");
        QTest::newRow("ansi-ascii") << QByteArray("A 05/07|") << u"A 05/07|"_s << Encoding::Ansi;
        QTest::newRow("ansi-cp1252-euro-and-e-acute")
            << QByteArray("\x80 \xE9 \x9C") << u"\u20AC \u00E9 \u0153"_s << Encoding::Ansi;
        QTest::newRow("ansi-unused-code-kept")
            << QByteArray("\x81") << u"\u0081"_s << Encoding::Ansi;
        QTest::newRow("utf8-mark")
            << QByteArray("\xEF\xBB\xBF\xC3\xA9") << u"\u00E9"_s << Encoding::Utf8;
        QTest::newRow("utf8-second-mark-is-text")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << u"\uFEFFx"_s << Encoding::Utf8;
        QTest::newRow("utf16le-mark")
            << QByteArray("\xFF\xFE\xE9\x00", 4) << u"\u00E9"_s << Encoding::Utf16LE;
        QTest::newRow("utf16be-mark")
            << QByteArray("\xFE\xFF\x00\xE9", 4) << u"\u00E9"_s << Encoding::Utf16BE;
        QTest::newRow("empty") << QByteArray() << QString() << Encoding::Ansi;
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(Encoding, encoding);
        const TextEncoding::Decoded decoded = TextEncoding::decode(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.encoding, encoding);
        // What was read is written back byte for byte.
        QCOMPARE(TextEncoding::encode(decoded.text, decoded.encoding), bytes);
    }

    void charactersAnsiLacksBecomeQuestionMarks()
    {
        // A character outside the basic plane is one "?", and a "?" of the text is no loss.
        int lacking = 0;
        QCOMPARE(TextEncoding::encode(u"a\u4E2Db?\U0001F600"_s, Encoding::Ansi, &lacking),
                 QByteArray("a?b??"));
        QCOMPARE(lacking, 2);
    }

    void lineBreaksBecomeCrLf_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("lf") << u"a\nb\n"_s << u"a\r\nb\r\n"_s;
        QTest::newRow("crlf-kept") << u"a\r\nb"_s << u"a\r\nb"_s;
        QTest::newRow("lone-cr") << u"a\rb"_s << u"a\r\nb"_s;
        QTest::newRow("cr-cr-lf") << u"a\r\r\nb"_s << u"a\r\n\r\nb"_s;
    }

    void lineBreaksBecomeCrLf()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(TextEncoding::withCrLf(in), out);
    }
};

QTEST_GUILESS_MAIN(tst_TextEncoding)
#include "tst_textencoding.moc"
