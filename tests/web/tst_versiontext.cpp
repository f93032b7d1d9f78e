#include "web/versiontext.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The published version as read from a ".ver" file, and when it counts as newer.
class TestVersionText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void published_data()
    {
        QTest::addColumn<QString>("fileText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one-crlf-line") << u"2.0.0.4\r\n"_s << u"2.0.0.4"_s;
        QTest::newRow("crlf-then-blanks") << u"2.0.0.5\r\n   "_s << u"2.0.0.5"_s;
        QTest::newRow("blanks-and-tabs-around") << u" \t2.0.0.5\t \r\n"_s << u"2.0.0.5"_s;
        QTest::newRow("no-line-end") << u"2.1"_s << u"2.1"_s;
        QTest::newRow("two-lines-joined-by-a-blank") << u"2.0\r\n0.4\r\n"_s << u"2.0 0.4"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("only-line-ends") << u"\r\n\r\n"_s << QString();
    }
    void published()
    {
        QFETCH(QString, fileText);
        QFETCH(QString, expected);
        QCOMPARE(VersionText::published(fileText), expected);
    }

    void isNewer_data()
    {
        QTest::addColumn<QString>("published");
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("newer");
        QTest::newRow("equal") << u"2.0.0.4"_s << u"2.0.0.4"_s << false;
        QTest::newRow("last-field-up") << u"2.0.0.5"_s << u"2.0.0.4"_s << true;
        QTest::newRow("numeric-10-after-4") << u"2.0.0.10"_s << u"2.0.0.4"_s << true;
        QTest::newRow("numeric-4-before-10") << u"2.0.0.4"_s << u"2.0.0.10"_s << false;
        QTest::newRow("shorter-but-newer") << u"2.1"_s << u"2.0.0.4"_s << true;
        QTest::newRow("missing-fields-are-zero") << u"2.1"_s << u"2.1.0.0"_s << false;
        QTest::newRow("extra-zero-field") << u"2.0.0.4.0"_s << u"2.0.0.4"_s << false;
        QTest::newRow("extra-field") << u"2.0.0.4.1"_s << u"2.0.0.4"_s << true;
        QTest::newRow("leading-zeros") << u"2.0.0.010"_s << u"2.0.0.9"_s << true;
        QTest::newRow("beyond-64-bits")
            << u"2.0.0.99999999999999999999999"_s << u"2.0.0.4"_s << true;
        QTest::newRow("older") << u"1.9.9.9"_s << u"2.0.0.4"_s << false;
        QTest::newRow("empty-published") << QString() << u"2.0.0.4"_s << false;
        QTest::newRow("error-page-published") << u"<html>"_s << u"2.0.0.4"_s << false;
        QTest::newRow("letters-in-a-field") << u"2.0.0.5b"_s << u"2.0.0.4"_s << false;
        QTest::newRow("empty-field") << u"2..0.5"_s << u"2.0.0.4"_s << false;
        QTest::newRow("trailing-dot") << u"2.0.0.5."_s << u"2.0.0.4"_s << false;
        QTest::newRow("sign") << u"+3"_s << u"2.0.0.4"_s << false;
        QTest::newRow("inner-blank") << u"2.0 0.5"_s << u"2.0.0.4"_s << false;
        QTest::newRow("running-without-version") << u"2.0.0.4"_s << QString() << true;
        QTest::newRow("both-empty") << QString() << QString() << false;
    }
    void isNewer()
    {
        QFETCH(QString, published);
        QFETCH(QString, running);
        QFETCH(bool, newer);
        QCOMPARE(VersionText::isNewer(published, running), newer);
    }
};

QTEST_GUILESS_MAIN(TestVersionText)
#include "tst_versiontext.moc"
