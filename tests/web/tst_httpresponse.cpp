// The HTTP/1.x response reader with answers typed out by hand: each framing, each way a server
// can break it, and every answer fed whole, in halves and byte by byte, so no result depends on
// where the connection happened to cut the bytes.
#include "web/httpresponse.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

enum class Cut
{
    Whole,
    Halves,
    Bytes
};

struct Outcome
{
    HttpResponseReader::State state;
    QByteArray body;
};

Outcome read(const QByteArray &answer, Cut cut, bool closeAfter, HttpResponseReader &reader)
{
    QByteArray body;
    switch (cut) {
    case Cut::Whole:
        reader.feed(answer, body);
        break;
    case Cut::Halves:
        reader.feed(QByteArrayView(answer).first(answer.size() / 2), body);
        reader.feed(QByteArrayView(answer).sliced(answer.size() / 2), body);
        break;
    case Cut::Bytes:
        for (char byte : answer)
            reader.feed(QByteArrayView(&byte, 1), body);
        break;
    }
    if (closeAfter)
        reader.endOfStream();
    return {reader.state(), body};
}

} // namespace

Q_DECLARE_METATYPE(HttpResponseReader::State)

class TestHttpResponse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framings_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("closeAfter"); // the server closes the connection afterwards
        QTest::addColumn<QString>("statusLine");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("content-length")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n2.0.0.5\r\n") << false
            << u"HTTP/1.1 200 OK"_s << QByteArray("2.0.0.5\r\n");
        QTest::newRow("http-1.0-until-close")
            << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nwhole body") << true
            << u"HTTP/1.0 200 OK"_s << QByteArray("whole body");
        QTest::newRow("chunked-with-extension-and-trailer")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                          "4;name=x\r\nabcd\r\nA\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\n")
            << false << u"HTTP/1.1 200 OK"_s << QByteArray("abcd0123456789");
        QTest::newRow("coding-wins-over-length")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nTransfer-Encoding: "
                          "chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n")
            << false << u"HTTP/1.1 200 OK"_s << QByteArray("ok");
        QTest::newRow("bare-line-feeds") << QByteArray("HTTP/1.1 200 OK\nContent-Length: 2\n\nok")
                                         << false << u"HTTP/1.1 200 OK"_s << QByteArray("ok");
        QTest::newRow("interim-answer-first")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: "
                          "2\r\n\r\nok")
            << false << u"HTTP/1.1 200 OK"_s << QByteArray("ok");
        QTest::newRow("no-content") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false
                                    << u"HTTP/1.1 204 No Content"_s << QByteArray();
        QTest::newRow("error-without-reason")
            << QByteArray("HTTP/1.1 500\r\nContent-Length: 0\r\n\r\n") << false << u"HTTP/1.1 500"_s
            << QByteArray();
        QTest::newRow("bytes-after-the-answer")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1 200 OK\r\n")
            << false << u"HTTP/1.1 200 OK"_s << QByteArray("ok");
    }

    void framings()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, closeAfter);
        QFETCH(QString, statusLine);
        QFETCH(QByteArray, body);
        for (Cut cut : {Cut::Whole, Cut::Halves, Cut::Bytes}) {
            HttpResponseReader reader;
            const Outcome outcome = read(answer, cut, closeAfter, reader);
            QVERIFY2(reader.isDone(), qPrintable(reader.failure()));
            QCOMPARE(reader.statusLine(), statusLine);
            QCOMPARE(outcome.body, body);
            QCOMPARE(reader.bodyBytes(), body.size());
        }
    }

    void headersAreFoundByAnyCase()
    {
        HttpResponseReader reader;
        QByteArray body;
        reader.feed("HTTP/1.1 200 OK\r\ncontent-TYPE: text/plain; charset=utf-8\r\n"
                    "Set-Cookie: a=1\r\nSet-Cookie: b=2\r\nX-Folded: one\r\n two\r\n"
                    "Content-Length: 0\r\n\r\n",
                    body);
        QVERIFY(reader.isDone());
        QCOMPARE(reader.header("Content-Type"), QByteArray("text/plain; charset=utf-8"));
        QCOMPARE(reader.headerValues("set-cookie"), QList<QByteArray>({"a=1", "b=2"}));
        QCOMPARE(reader.header("X-Folded"), QByteArray("one two"));
        QCOMPARE(reader.header("X-Absent"), QByteArray());
        QCOMPARE(reader.announcedLength(), 0);
    }

    void headerParameters_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("last") << QByteArray("text/plain; charset=utf-8") << QByteArray("utf-8");
        QTest::newRow("quoted-among-others")
            << QByteArray("text/plain;format=flowed; CHARSET=\"ISO-8859-1\";x=y")
            << QByteArray("ISO-8859-1");
        QTest::newRow("none") << QByteArray("text/plain") << QByteArray();
        QTest::newRow("only-in-the-type") << QByteArray("charset=utf-8") << QByteArray();
        QTest::newRow("longer-name") << QByteArray("text/plain; xcharset=utf-8") << QByteArray();
    }

    void headerParameters()
    {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, charset);
        QCOMPARE(HttpResponseReader::parameter(value, "charset"), charset);
    }

    void brokenAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("endedEarly");
        QTest::addColumn<QString>("failure");

        QTest::newRow("nothing") << QByteArray() << true
                                 << u"The connection ended without an answer."_s;
        QTest::newRow("not-http") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << false
                                  << u"The answer does not begin with an HTTP status line."_s;
        QTest::newRow("four-digit-status")
            << QByteArray("HTTP/1.1 2000 OK\r\n\r\n") << false
            << u"The answer does not begin with an HTTP status line."_s;
        QTest::newRow("status-below-100")
            << QByteArray("HTTP/1.1 099 Odd\r\n\r\n") << false
            << u"The answer does not begin with an HTTP status line."_s;
        QTest::newRow("header-without-colon")
            << QByteArray("HTTP/1.1 200 OK\r\nno colon here\r\n\r\n") << false
            << u"The answer holds a header line that is not a header."_s;
        QTest::newRow("ends-in-headers") << QByteArray("HTTP/1.1 200 OK\r\nContent-Le") << true
                                         << u"The connection ended within the answer's headers."_s;
        QTest::newRow("negative-length")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n") << false
            << u"The answer announces its length as '-5'."_s;
        QTest::newRow("two-lengths")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n")
            << false << u"The answer announces its length as '5, 6'."_s;
        QTest::newRow("length-beyond-any-file")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n")
            << false << u"The answer announces its length as '99999999999999999999'."_s;
        QTest::newRow("body-shorter-than-announced")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort") << true
            << u"The connection ended within the answer's body."_s;
        QTest::newRow("chunk-size-not-hex")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n") << false
            << u"The answer holds a chunk size 'zz'."_s;
        QTest::newRow("chunk-size-overflows")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                          "FFFFFFFFFFFFFFFFFF\r\n")
            << false << u"The answer holds a chunk size 'FFFFFFFFFFFFFFFFFF'."_s;
        QTest::newRow("chunk-longer-than-its-size")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n")
            << false << u"A chunk of the answer is longer than its size."_s;
        QTest::newRow("last-chunk-missing")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n")
            << true << u"The connection ended within the answer's body."_s;
        QTest::newRow("chunk-size-line-without-end")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n") +
                   QByteArray(2000, '0')
            << false << u"A chunk size line is longer than 1024 bytes."_s;
        QTest::newRow("headers-without-end")
            << QByteArray("HTTP/1.1 200 OK\r\n") + QByteArray("X-Filler: ")
                                                       .append(QByteArray(100, 'x'))
                                                       .append("\r\n")
                                                       .repeated(700)
            << false << u"The answer's headers are longer than 65536 bytes."_s;
    }

    void brokenAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, endedEarly);
        QFETCH(QString, failure);
        for (Cut cut : {Cut::Whole, Cut::Halves, Cut::Bytes}) {
            HttpResponseReader reader;
            read(answer, cut, true, reader);
            QVERIFY(reader.hasFailed());
            QCOMPARE(reader.failure(), failure);
            QCOMPARE(reader.endedEarly(), endedEarly);
        }
    }

    void answerToHeadHasNoBody()
    {
        HttpResponseReader reader(false);
        QByteArray body;
        reader.feed("HTTP/1.1 200 OK\r\nContent-Length: 25000000\r\n\r\n", body);
        QVERIFY(reader.isDone());
        QCOMPARE(body, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestHttpResponse)
#include "tst_httpresponse.moc"
