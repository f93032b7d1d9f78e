// The browser throttle's request reader with heads typed out by hand: what a browser sends is
// read, a head that is still arriving waits, and every way a client can make two readers
// disagree is refused.
#include "remote/requesthead.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using State = RequestHead::Reading::State;

namespace {

// A head of exactly `size` bytes, padded in one header.
QByteArray headOfSize(qsizetype size)
{
    const QByteArray start = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: ";
    const QByteArray end = "\r\n\r\n";
    return start + QByteArray(size - start.size() - end.size(), 'a') + end;
}

} // namespace

Q_DECLARE_METATYPE(State)

class TestRequestHead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aBrowsersRequest()
    {
        const QByteArray bytes = "GET /socket?x=1 HTTP/1.1\r\n"
                                 "Host: 192.168.1.20:8080\r\n"
                                 "Upgrade: websocket\r\n"
                                 "Connection: Upgrade\r\n"
                                 "Cookie: theme=dark; korvant_throttle=abc-_123 ;other=1\r\n"
                                 "Origin:http://192.168.1.20:8080 \r\n"
                                 "\r\n";
        const RequestHead::Reading reading = RequestHead::read(bytes);
        QCOMPARE(reading.state, State::Complete);
        const RequestHead::Head &head = reading.head;
        QCOMPARE(head.method, "GET");
        QCOMPARE(head.target, "/socket?x=1");
        QCOMPARE(head.path(), "/socket");
        QCOMPARE(head.size, bytes.size());
        QCOMPARE(head.contentLength, 0);
        QCOMPARE(head.field("upgrade"), "websocket");
        QCOMPARE(head.field("origin"), "http://192.168.1.20:8080");
        QVERIFY(!head.has("content-length"));
        QCOMPARE(head.cookie("korvant_throttle"), "abc-_123");
        QCOMPARE(head.cookie("theme"), "dark");
        QCOMPARE(head.cookie("korvant"), "");
    }

    void aCodeWithItsBody()
    {
        const QByteArray bytes = "POST /login HTTP/1.1\r\nHost: h\r\nContent-Length: 4\r\n\r\n4711";
        const RequestHead::Reading reading = RequestHead::read(bytes);
        QCOMPARE(reading.state, State::Complete);
        QCOMPARE(reading.head.size, bytes.size() - 4);
        QCOMPARE(reading.head.contentLength, 4);
    }

    void heads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<State>("state");
        QTest::newRow("nothing-yet") << QByteArray() << State::Incomplete;
        QTest::newRow("request-line-only") << QByteArray("GET / HTTP/1.1\r\n") << State::Incomplete;
        QTest::newRow("head-of-1024-bytes") << headOfSize(1024) << State::Complete;
        QTest::newRow("head-of-1025-bytes") << headOfSize(1025) << State::TooLarge;
        QTest::newRow("1024-bytes-without-end") << headOfSize(1200).first(1024) << State::TooLarge;
        QTest::newRow("1023-bytes-without-end")
            << headOfSize(1200).first(1023) << State::Incomplete;
        QTest::newRow("http-1.0-without-host")
            << QByteArray("GET / HTTP/1.0\r\n\r\n") << State::Complete;
        const auto malformed = [](const char *name, const char *bytes) {
            QTest::newRow(name) << QByteArray(bytes) << State::Malformed;
        };
        malformed("bare-lf", "GET / HTTP/1.1\nHost: h\r\n\r\n");
        malformed("bare-cr", "GET / HTTP/1.1\r\nHost: h\rX: y\r\n\r\n");
        malformed("cr-before-the-end", "GET / HTTP/1.1\r\nHost: h\r\r\n\r\n");
        malformed("folded-line", "GET / HTTP/1.1\r\nHost: h\r\nX: a\r\n b\r\n\r\n");
        malformed("no-host", "GET / HTTP/1.1\r\nX: y\r\n\r\n");
        malformed("two-hosts", "GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n");
        malformed(
            "two-lengths",
            "POST /login HTTP/1.1\r\nHost: h\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\n");
        malformed("length-not-a-number",
                  "POST /login HTTP/1.1\r\nHost: h\r\nContent-Length: 1x\r\n\r\n");
        malformed("negative-length",
                  "POST /login HTTP/1.1\r\nHost: h\r\nContent-Length: -1\r\n\r\n");
        malformed("chunked",
                  "POST /login HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n");
        malformed("absolute-target", "GET http://h/ HTTP/1.1\r\nHost: h\r\n\r\n");
        malformed("connect", "CONNECT h:80 HTTP/1.1\r\nHost: h\r\n\r\n");
        malformed("lower-case-method", "get / HTTP/1.1\r\nHost: h\r\n\r\n");
        malformed("http-2", "GET / HTTP/2\r\nHost: h\r\n\r\n");
        malformed("two-spaces", "GET  / HTTP/1.1\r\nHost: h\r\n\r\n");
        malformed("space-before-colon", "GET / HTTP/1.1\r\nHost : h\r\n\r\n");
        malformed("control-in-value", "GET / HTTP/1.1\r\nHost: h\x01\r\n\r\n");
        malformed("leading-empty-line", "\r\nGET / HTTP/1.1\r\nHost: h\r\n\r\n");
        static const char nul[] = "GET / HTTP/1.1\r\nHost: h\0\r\n\r\n";
        QTest::newRow("nul-in-value") << QByteArray(nul, sizeof nul - 1) << State::Malformed;
    }

    void heads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(State, state);
        const RequestHead::Reading reading = RequestHead::read(bytes);
        QCOMPARE(reading.state, state);
        QCOMPARE(reading.error.isEmpty(), state != State::Malformed);
    }
};

QTEST_GUILESS_MAIN(TestRequestHead)
#include "tst_requesthead.moc"
