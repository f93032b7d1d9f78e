// The window's web client against the local stand-in of the maker's server: what goes on the
// wire, the readable failures, the caps and time-outs, and the window kept responsive.
#include "support/failuretext.h"
#include "support/localwebserver.h"
#include "support/rawhttpserver.h"
#include "support/testfiles.h"
#include "web/webclient.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString largeHex = u"Korvant_PatternTable_301e.hex"_s;

QString under(const QUrl &base, const QString &name)
{
    return base.toString() + u'/' + name;
}

} // namespace

class TestWebClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<LocalWebServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        // The client trusts the CA file where the program looks for it.
        qputenv("XDG_CONFIG_HOME", m_server->configHome().toUtf8());
    }

    void requestHeadersOnTheWire()
    {
        WebClient web;
        const qsizetype before = m_server->accessLogLines().size();
        QCOMPARE(web.Get(m_server->url(u"korvant.ver"_s).toString(), WebClient::VersionFileCap),
                 QStringLiteral(KORVANT_EXPECTED_VERSION "\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(requests(before, u"/Korvant/korvant.ver"_s).size(), 1, 5000);
        const QString line = requests(before, u"/Korvant/korvant.ver"_s).constFirst();
        QVERIFY2(line.contains(u"\"GET /Korvant/korvant.ver HTTP/1.1\" 200"_s), qPrintable(line));
        QVERIFY2(line.contains(u"ua=\"Mozilla/3.0 (compatible; Indy Library)\""_s),
                 qPrintable(line));
        QVERIFY2(line.contains(u"accept=\"text/html,application/xhtml+xml,application/xml;q=0.9,"
                               "*/*;q=0.8\""_s),
                 qPrintable(line));
        QVERIFY2(line.contains(u"encoding=\"identity\""_s), qPrintable(line));
        QVERIFY2(!line.contains(u"gzip"_s) && !line.contains(u"deflate"_s), qPrintable(line));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<QString>("expected"); // the start of the failure's text

        using Hook = LocalWebServer::Hook;
        using Bad = LocalWebServer::BadCertificate;
        const qint64 text = WebClient::TextFileCap;
        QTest::newRow("not-found") << m_server->url(u"korvant.missing"_s).toString() << text
                                   << u"HTTP/1.1 404 Not Found"_s;
        QTest::newRow("redirect") << under(m_server->hookBaseUrl(Hook::Redirect), u"korvant.ver"_s)
                                  << text << u"HTTP/1.1 302 Moved Temporarily"_s;
        QTest::newRow("server-error")
            << under(m_server->hookBaseUrl(Hook::Error500), u"korvant.ver"_s) << text
            << u"HTTP/1.1 500 Internal Server Error"_s;
        QTest::newRow("closed-without-answer")
            << under(m_server->hookBaseUrl(Hook::Close), u"korvant.ver"_s) << text
            << u"Socket Error # "_s;
        QTest::newRow("refused-connection")
            << u"https://127.0.0.1:1/Korvant/korvant.ver"_s << text << u"Socket Error # "_s;
        QTest::newRow("truncated")
            << under(m_server->hookBaseUrl(Hook::Truncated), u"korvant.hls"_s) << text
            << u"The connection ended after "_s;
        QTest::newRow("unknown-ca")
            << under(m_server->badCertificateBaseUrl(Bad::UnknownCa), u"korvant.ver"_s) << text
            << u"Error connecting with SSL."_s;
        QTest::newRow("wrong-host")
            << under(m_server->badCertificateBaseUrl(Bad::WrongHost), u"korvant.ver"_s) << text
            << u"Error connecting with SSL."_s;
        QTest::newRow("expired") << under(m_server->badCertificateBaseUrl(Bad::Expired),
                                          u"korvant.ver"_s)
                                 << text << u"Error connecting with SSL."_s;
        QTest::newRow("version-file-cap")
            << m_server->url(largeHex).toString() << WebClient::VersionFileCap
            << u"The answer of %1 is larger than 4096 bytes."_s.arg(
                   m_server->url(largeHex).toDisplayString());
        QTest::newRow("endless-text") << under(m_server->hookBaseUrl(Hook::Endless), u"x.hex"_s)
                                      << text << u"The answer of "_s;
        QTest::newRow("empty-address") << QString() << text << u"'' is not a web address"_s;
        QTest::newRow("no-scheme") << u"localhost/Korvant/korvant.ver"_s << text
                                   << u"'localhost/Korvant/korvant.ver' is not a web address"_s;
    }

    void failures()
    {
        QFETCH(QString, url);
        QFETCH(qint64, cap);
        QFETCH(QString, expected);
        WebClient web;
        const QString failure = failureOf([&] { web.Get(url, cap); });
        QVERIFY2(failure.startsWith(expected), qPrintable(failure));
        QVERIFY(!web.isBusy());
    }

    // Answers no real server gives, written by hand and read by the client over a real socket.
    void handWrittenAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("expected"); // the body, or the start of the failure's text
        QTest::addColumn<bool>("fails");

        QTest::newRow("http-1.0-error-is-named-as-sent")
            << QByteArray("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>x</html>")
            << u"HTTP/1.0 404 Not Found"_s << true;
        QTest::newRow("http-1.0-body-until-close")
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n2.0.0.5\r\n") << u"2.0.0.5\r\n"_s << false;
        QTest::newRow("chunked-body")
            << QByteArray(
                   "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: text/plain; "
                   "charset=utf-8\r\n\r\n3\r\n2.0\r\n6\r\n.0.5\r\n\r\n0\r\n\r\n")
            << u"2.0.0.5\r\n"_s << false;
        QTest::newRow("utf-8-named-last")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
                          "Content-Length: 11\r\n\r\nWeiche \xc3\xbc\r\n")
            << u"Weiche \u00fc\r\n"_s << false;
        QTest::newRow("latin-1-without-charset")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nWeiche \xfc\r\n")
            << u"Weiche \u00fc\r\n"_s << false;
        QTest::newRow("not-http") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n")
                                  << u"The answer of http://127.0.0.1"_s << true;
        QTest::newRow("headers-without-end")
            << QByteArray("HTTP/1.1 200 OK\r\n") +
                   QByteArray("X-Filler: 0123456789\r\n").repeated(4000)
            << u"The answer of http://127.0.0.1"_s << true;
        QTest::newRow("chunks-stop-halfway")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n2.0\r\n")
            << u"The connection ended after 3 bytes of "_s << true;
        QTest::newRow("announced-beyond-the-cap")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 25000000\r\n\r\n:1000")
            << u"The answer of http://127.0.0.1"_s << true;
    }

    void handWrittenAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, expected);
        QFETCH(bool, fails);
        RawHttpServer server(answer);
        QVERIFY(server.isListening());
        WebClient web;
        const QString url = under(server.baseUrl(), u"korvant.ver"_s);
        QString body;
        const QString failure = failureOf([&] { body = web.Get(url, WebClient::VersionFileCap); });
        if (fails) {
            QVERIFY2(failure.startsWith(expected), qPrintable(failure));
        } else {
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QCOMPARE(body, expected);
        }
        QVERIFY(!web.isBusy());
    }

    void requestBytesOnTheWire()
    {
        RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nSet-Cookie: k=1\r\n\r\nok");
        QVERIFY(server.isListening());
        WebClient web;
        const QString url = under(server.baseUrl(), u"korvant.ver"_s);
        web.Get(url, WebClient::VersionFileCap);
        web.Get(url + u"?run=2"_s, WebClient::VersionFileCap);
        const QByteArray host = "127.0.0.1:" + QByteArray::number(server.baseUrl().port());
        const QByteArray headers = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,"
                                   "*/*;q=0.8\r\nUser-Agent: Mozilla/3.0 (compatible; Indy "
                                   "Library)\r\nAccept-Encoding: identity\r\n";
        const QByteArray first = "GET /Korvant/korvant.ver HTTP/1.1\r\nHost: " + host + "\r\n" +
                                 headers + "Connection: close\r\n\r\n";
        const QByteArray second = "GET /Korvant/korvant.ver?run=2 HTTP/1.1\r\nHost: " + host +
                                  "\r\n" + headers + "Cookie: k=1\r\nConnection: close\r\n\r\n";
        QCOMPARE(server.requests().value(0), first);
        QCOMPARE(server.requests().value(1), second);
    }

    void redirectIsNotFollowed()
    {
        WebClient web;
        const qsizetype before = m_server->accessLogLines().size();
        const QString failure = failureOf([&] {
            web.Get(under(m_server->hookBaseUrl(LocalWebServer::Hook::Redirect), u"korvant.ver"_s),
                    WebClient::VersionFileCap);
        });
        QVERIFY(failure.startsWith(u"HTTP/1.1 302"_s));
        // One more request after it: a followed redirect would have been asked for before this
        // one, so it would be in the log by the time this one is.
        web.Get(m_server->url(u"korvant.hls"_s).toString(), WebClient::TextFileCap);
        QTRY_COMPARE_WITH_TIMEOUT(requests(before, u"/Korvant/korvant.hls"_s).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(requests(before, u"/redirect/Korvant/korvant.ver"_s).size(), 1,
                                  5000);
        QCOMPARE(requests(before, u"/Korvant/korvant.ver"_s).size(), 0);
    }

    void cookiesComeBackForTheRun()
    {
        WebClient web;
        const qsizetype before = m_server->accessLogLines().size();
        web.Get(under(m_server->hookBaseUrl(LocalWebServer::Hook::Cookie), u"korvant.hls"_s),
                WebClient::TextFileCap);
        web.Get(m_server->url(u"korvant.ver"_s).toString(), WebClient::VersionFileCap);
        WebClient nextRun;
        nextRun.Get(m_server->url(u"korvant.hls"_s).toString(), WebClient::TextFileCap);
        QTRY_COMPARE_WITH_TIMEOUT(requests(before, u"/Korvant/korvant.ver"_s).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(requests(before, u"/Korvant/korvant.hls"_s).size(), 1, 5000);
        const QString first = requests(before, u"/cookie/Korvant/korvant.hls"_s).value(0);
        const QString second = requests(before, u"/Korvant/korvant.ver"_s).value(0);
        const QString otherClient = requests(before, u"/Korvant/korvant.hls"_s).value(0);
        QVERIFY2(first.contains(u"cookie=\"-\""_s), qPrintable(first));
        QVERIFY2(second.contains(u"cookie=\"korvant-test=1\""_s), qPrintable(second));
        QVERIFY2(otherClient.contains(u"cookie=\"-\""_s), qPrintable(otherClient));
    }

    void slowBodyKeepsTheWindowResponsive()
    {
        WebClient web;
        QList<qint64> counts;
        connect(&web, &WebClient::work, this, [&counts](qint64 count) { counts.append(count); });
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(50);
        QBuffer body;
        body.open(QIODevice::WriteOnly);
        const qint64 size =
            web.Get(under(m_server->hookBaseUrl(LocalWebServer::Hook::Slow), largeHex), body);
        const QByteArray expected = TestFiles::read(m_server->updateDir() + u'/' + largeHex);
        QCOMPARE(body.data(), expected);
        QCOMPARE(size, expected.size());
        QVERIFY2(ticks >= 10, qPrintable(u"the timer fired %1 times"_s.arg(ticks)));
        QVERIFY2(counts.size() >= 3, qPrintable(u"%1 progress events"_s.arg(counts.size())));
        QVERIFY(std::is_sorted(counts.begin(), counts.end()));
        QCOMPARE(counts.constLast(), expected.size());
    }

    void secondUseDuringATransferIsRefused()
    {
        WebClient web;
        QString inner;
        QTimer::singleShot(100, this, [&] {
            inner = failureOf([&] {
                web.Get(m_server->url(u"korvant.ver"_s).toString(), WebClient::VersionFileCap);
            });
        });
        const QString outer =
            web.Get(under(m_server->hookBaseUrl(LocalWebServer::Hook::Slow), largeHex),
                    WebClient::TextFileCap);
        QVERIFY(outer.startsWith(u':'));
        QCOMPARE(inner, u"A download is already running; wait until it has ended."_s);
        QVERIFY(!web.isBusy());
    }

    void transferWithoutProgressFails()
    {
        WebClient web;
        web.setStallTimeout(1000);
        const QString failure = failureOf([&] {
            web.Get(under(m_server->hookBaseUrl(LocalWebServer::Hook::Stall), u"korvant.ver"_s),
                    WebClient::VersionFileCap);
        });
        QVERIFY2(failure.startsWith(u"Read timed out: nothing came from "_s), qPrintable(failure));
    }

    void getIntoAFile()
    {
        WebClient web;
        QTemporaryDir dir;
        QFile file(dir.filePath(u"korvant.new"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        web.Get(m_server->url(u"korvant"_s).toString(), file);
        file.close();
        QCOMPARE(TestFiles::read(file.fileName()),
                 TestFiles::read(m_server->updateDir() + u"/korvant"_s));
    }

    void errorPageIsNotWrittenIntoTheFile()
    {
        WebClient web;
        QBuffer body;
        body.open(QIODevice::WriteOnly);
        const QString failure =
            failureOf([&] { web.Get(m_server->url(u"korvant.missing"_s).toString(), body); });
        QVERIFY(failure.startsWith(u"HTTP/1.1 404"_s));
        QCOMPARE(body.size(), 0);
    }

    void destinationThatCannotBeWrittenFails()
    {
        WebClient web;
        QBuffer body;
        body.open(QIODevice::ReadOnly);
        const QString failure =
            failureOf([&] { web.Get(m_server->url(u"korvant.ver"_s).toString(), body); });
        QVERIFY2(failure.startsWith(u"Cannot write the download"_s), qPrintable(failure));
    }

    void localServerIsRefusedWithoutItsCaFile()
    {
        QTemporaryDir otherHome;
        qputenv("XDG_CONFIG_HOME", otherHome.path().toUtf8());
        WebClient web;
        const QString failure = failureOf([&] {
            web.Get(m_server->url(u"korvant.ver"_s).toString(), WebClient::VersionFileCap);
        });
        qputenv("XDG_CONFIG_HOME", m_server->configHome().toUtf8());
        QVERIFY2(failure.startsWith(u"Error connecting with SSL."_s), qPrintable(failure));
        // The same client trusts the server again once the CA file is back.
        QCOMPARE(web.Get(m_server->url(u"korvant.ver"_s).toString(), WebClient::VersionFileCap),
                 QStringLiteral(KORVANT_EXPECTED_VERSION "\r\n"));
    }

private:
    // The log lines after the first `from` ones that request exactly this path.
    QStringList requests(qsizetype from, const QString &path) const
    {
        QStringList found;
        for (const QString &line : m_server->accessLogLines().mid(from)) {
            if (line.contains(u"\"GET "_s + path + u" HTTP/1.1\""_s))
                found.append(line);
        }
        return found;
    }

    std::unique_ptr<LocalWebServer> m_server;
};

QTEST_GUILESS_MAIN(TestWebClient)
#include "tst_webclient.moc"
