// The local stand-in of the maker's web server, as the program and the later web tests see it:
// over HTTPS that is verified against the run-time CA, never with certificate errors ignored.
#include "platform/versionrecord.h"
#include "support/localwebserver.h"
#include "support/testfiles.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString largeHex = u"Korvant_PatternTable_301e.hex"_s;
constexpr int fetchTimeoutMs = 20'000;

struct Answer
{
    bool finished = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;
    QList<QSslError::SslError> sslErrors;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &[key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

// base + "/" + name, as the program forms every address under its update directory.
QUrl under(const QUrl &base, const QString &name)
{
    return QUrl(base.toString() + u"/"_s + name);
}

QNetworkRequest requestFor(const QUrl &url, const QSslConfiguration &tls)
{
    QNetworkRequest request(url);
    request.setSslConfiguration(tls);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    return request;
}

void collect(QNetworkReply *reply, Answer &answer)
{
    answer.finished = reply->isFinished();
    answer.error = reply->error();
    answer.errorString = reply->errorString();
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.headers = reply->rawHeaderPairs();
    answer.body += reply->readAll();
}

// A manager of its own for every request: managers reuse connections without looking at
// the TLS configuration, so a request meant to fail verification could ride on a connection
// that an earlier, trusting request opened.
Answer fetch(const QNetworkRequest &request, int timeoutMs = fetchTimeoutMs)
{
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    Answer answer;
    QObject::connect(reply.get(), &QNetworkReply::sslErrors, reply.get(),
                     [&answer](const QList<QSslError> &errors) {
                         for (const QSslError &error : errors)
                             answer.sslErrors.append(error.error());
                     });
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(timeoutMs);
    if (!reply->isFinished())
        reply->abort();
    collect(reply.get(), answer);
    answer.finished = !finished.isEmpty();
    return answer;
}

// Empty when the text is a well-formed Intel HEX file with CR LF line ends; else the first fault.
QString intelHexFault(const QByteArray &text)
{
    if (!text.endsWith("\r\n"))
        return u"no CR LF after the last line"_s;
    const QList<QByteArray> lines = text.chopped(2).split('\n');
    bool ended = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        const QString where = u"line %1: "_s.arg(n + 1);
        if (!line.endsWith('\r') && n + 1 < lines.size())
            return where + u"line end is not CR LF"_s;
        if (line.endsWith('\r'))
            line.chop(1);
        if (ended)
            return where + u"record after the end-of-file record"_s;
        const QByteArray bytes = QByteArray::fromHex(line.mid(1));
        if (!line.startsWith(':') || line.size() < 11 || line.size() % 2 == 0 ||
            bytes.toHex().toUpper() != line.mid(1))
            return where + u"not a record"_s;
        if (bytes.size() != quint8(bytes[0]) + 5)
            return where + u"length byte does not match"_s;
        quint8 sum = 0;
        for (const char byte : bytes)
            sum += quint8(byte);
        if (sum != 0)
            return where + u"checksum"_s;
        if (quint8(bytes[3]) > 5)
            return where + u"unknown record type"_s;
        ended = bytes[3] == 1;
    }
    return ended ? QString() : u"no end-of-file record"_s;
}

bool canConnect(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(5000);
}

} // namespace

class TestLocalWebServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void servesTheBuiltFiles_data();
    void servesTheBuiltFiles();
    void publishedVersionIsOneCrLfLine();
    void publishedVersionIsStampedIntoTheServedProgram();
    void firmwareListNamesValidHexFiles();
    void driverArchiveHoldsBothInstallers();
    void droppedFileIsServed();
    void missingFileIsNotFound_data();
    void missingFileIsNotFound();
    void hooks_data();
    void hooks();
    void truncatedBodyEndsBeforeItsAnnouncedLength();
    void slowBodyTakesSeconds();
    void stalledBodySendsHeadersThenNothing();
    void endlessBodyHasNoEnd();
    void refusedCertificates_data();
    void refusedCertificates();
    void caFileIsWhereTheProgramLooks();
    void accessLogRecordsRequestHeaders();
    void scriptStartStopAndStatusAreIdempotent();
    void destructorStopsTheServer();

private:
    Answer get(const QUrl &url) { return fetch(requestFor(url, m_server->sslConfiguration())); }

    std::unique_ptr<LocalWebServer> m_server;
};

void TestLocalWebServer::initTestCase()
{
    m_server = std::make_unique<LocalWebServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
}

void TestLocalWebServer::servesTheBuiltFiles_data()
{
    QTest::addColumn<QUrl>("url");
    // The file the served one must equal, byte for byte.
    QTest::addColumn<QString>("original");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<qint64>("minimumSize");

    const QString build = QStringLiteral(KORVANT_BINARY_DIR);
    const QString content = build + u"/webroot/update/"_s;
    const QString site = build + u"/webroot/site/"_s;
    const auto update = [this](const QString &name) {
        return m_server->url(name);
    };
    const auto page = [this](const QString &path) {
        return m_server->siteUrl().resolved(QUrl(path));
    };
    const QByteArray hexEnd = ":00000001FF\r\n";

    QTest::newRow("version") << update(u"korvant.ver"_s)
                             << m_server->updateDir() + u"/korvant.ver"_s << QByteArray("2.")
                             << QByteArray("\r\n") << qint64(5);
    QTest::newRow("firmware-list") << update(u"korvant.hls"_s) << content + u"korvant.hls"_s
                                   << QByteArray("Korvant_") << QByteArray(".hex\r\n") << qint64(3);
    QTest::newRow("hex-small") << update(u"Korvant_Blink_301a.hex"_s)
                               << content + u"Korvant_Blink_301a.hex"_s << QByteArray(":") << hexEnd
                               << qint64(100);
    QTest::newRow("hex-large") << update(largeHex) << content + largeHex << QByteArray(":")
                               << hexEnd << qint64(30 * 1024);
    QTest::newRow("driver-archive") << update(u"USBDrivers.zip"_s) << content + u"USBDrivers.zip"_s
                                    << QByteArray("PK\x03\x04", 4) << QByteArray() << qint64(100);
    QTest::newRow("program-file") << update(u"korvant"_s) << build + u"/bin/korvant"_s
                                  << QByteArray("\x7f"
                                                "ELF")
                                  << QByteArray() << qint64(10'000);
    QTest::newRow("site-root") << page(u"/"_s) << site + u"index.html"_s
                               << QByteArray("<!DOCTYPE html>") << QByteArray("</html>\n")
                               << qint64(100);
    QTest::newRow("site-home") << page(u"/homeTesk.htm"_s) << site + u"homeTesk.htm"_s
                               << QByteArray("<!DOCTYPE html>") << QByteArray("</html>\n")
                               << qint64(100);
    QTest::newRow("site-manual") << page(u"/Korvant_Manual_E2.pdf"_s)
                                 << m_server->siteDir() + u"/Korvant_Manual_E2.pdf"_s
                                 << QByteArray("%PDF-") << QByteArray("%%EOF\n") << qint64(200);
}

void TestLocalWebServer::servesTheBuiltFiles()
{
    QFETCH(QUrl, url);
    QFETCH(QString, original);
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, end);
    QFETCH(qint64, minimumSize);

    const Answer answer = get(url);
    QVERIFY(answer.finished);
    QCOMPARE(answer.error, QNetworkReply::NoError);
    QCOMPARE(answer.status, 200);
    QVERIFY(answer.sslErrors.isEmpty());
    const QByteArray expected = TestFiles::read(original);
    QVERIFY2(!expected.isEmpty(), qPrintable(original));
    QVERIFY(answer.body == expected);
    QVERIFY2(answer.body.startsWith(start), answer.body.left(40).constData());
    QVERIFY(answer.body.endsWith(end));
    QVERIFY(answer.body.size() >= minimumSize);
}

void TestLocalWebServer::publishedVersionIsOneCrLfLine()
{
    const Answer answer = get(m_server->url(u"korvant.ver"_s));
    QCOMPARE(answer.error, QNetworkReply::NoError);
    QCOMPARE(answer.body, QByteArray(KORVANT_EXPECTED_VERSION "\r\n"));
}

// The demo update installs what it offers only because the served copy says that version too.
void TestLocalWebServer::publishedVersionIsStampedIntoTheServedProgram()
{
    LocalWebServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    const auto start = [&server](const QString &version, QByteArray *output) {
        return server.runScript({u"start"_s, u"--build"_s, QStringLiteral(KORVANT_BINARY_DIR),
                                 u"--port"_s, QString::number(server.baseUrl().port()),
                                 u"--site-port"_s, QString::number(server.siteUrl().port()),
                                 u"--ca-file"_s, server.caFile(), u"--published-version"_s,
                                 version},
                                output);
    };
    QCOMPARE(server.runScript({u"stop"_s}), 0);
    QByteArray output;
    QCOMPARE(start(u"2.0.0.7"_s, &output), 0);

    VersionRecord::Values expected =
        VersionRecord::read(QStringLiteral(KORVANT_BINARY_DIR "/bin/korvant"));
    QVERIFY(!expected.isEmpty());
    for (auto &[key, value] : expected) {
        if (key == u"FileVersion"_s || key == u"ProductVersion"_s)
            value = u"2.0.0.7"_s;
    }
    const QString served = server.updateDir() + u"/korvant"_s;
    QCOMPARE(VersionRecord::read(served), expected);
    QVERIFY(QFileInfo(served).isExecutable());
    const Answer version =
        fetch(requestFor(server.url(u"korvant.ver"_s), server.sslConfiguration()));
    QCOMPARE(version.body, QByteArray("2.0.0.7\r\n"));
    const Answer program = fetch(requestFor(server.url(u"korvant"_s), server.sslConfiguration()));
    QCOMPARE(program.error, QNetworkReply::NoError);
    QVERIFY(program.body == TestFiles::read(served));

    // A version the record cannot hold is refused, not cut short.
    QCOMPARE(server.runScript({u"stop"_s}), 0);
    QCOMPARE(start(QString(600, u'9'), &output), 1);
    QVERIFY2(output.contains("does not fit in the version record"), output.constData());
    QCOMPARE(start(u"2.0\t1"_s, &output), 1);
    QVERIFY2(output.contains("is not one line of text"), output.constData());
}

void TestLocalWebServer::firmwareListNamesValidHexFiles()
{
    const Answer list = get(m_server->url(u"korvant.hls"_s));
    QCOMPARE(list.error, QNetworkReply::NoError);
    QVERIFY2(!list.body.contains("\n\n") && list.body.count('\n') == list.body.count("\r\n"),
             "every line of the list ends in CR LF");
    const QList<QByteArray> names = list.body.trimmed().split('\n');
    QCOMPARE(names.size(), 3);
    bool large = false;
    for (const QByteArray &name : names) {
        const Answer hex = get(m_server->url(QString::fromLatin1(name.trimmed())));
        QCOMPARE(hex.error, QNetworkReply::NoError);
        const QString fault = intelHexFault(hex.body);
        QVERIFY2(fault.isEmpty(), qPrintable(QString::fromLatin1(name) + u": "_s + fault));
        large = large || hex.body.size() >= 30 * 1024;
    }
    QVERIFY2(large, "one hex file of at least 30 KB, as large as a full station firmware");
}

void TestLocalWebServer::driverArchiveHoldsBothInstallers()
{
    const Answer answer = get(m_server->url(u"USBDrivers.zip"_s));
    QCOMPARE(answer.error, QNetworkReply::NoError);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile zip(dir.filePath(u"USBDrivers.zip"_s));
    QVERIFY(zip.open(QIODevice::WriteOnly));
    zip.write(answer.body);
    zip.close();

    QProcess unzip;
    unzip.setWorkingDirectory(dir.path());
    unzip.start(u"unzip"_s, {u"-q"_s, zip.fileName()});
    QVERIFY(unzip.waitForFinished(20'000));
    QCOMPARE(unzip.exitCode(), 0);
    for (const QString &arch : {u"x86"_s, u"x64"_s}) {
        const QFileInfo installer(
            dir.filePath(u"USBDrivers/"_s + arch + u"/DriverInstallTool.exe"_s));
        QVERIFY2(installer.isFile(), qPrintable(installer.filePath()));
        QVERIFY2(installer.isExecutable(), qPrintable(installer.filePath()));
    }
}

void TestLocalWebServer::droppedFileIsServed()
{
    QFile dropped(m_server->updateDir() + u"/dropped.hex"_s);
    QVERIFY(dropped.open(QIODevice::WriteOnly));
    dropped.write(":00000001FF\r\n");
    dropped.close();
    const Answer answer = get(m_server->url(u"dropped.hex"_s));
    QCOMPARE(answer.status, 200);
    QCOMPARE(answer.body, QByteArray(":00000001FF\r\n"));
}

void TestLocalWebServer::missingFileIsNotFound_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::newRow("update-directory") << m_server->url(u"Korvant_Missing.hex"_s);
    QTest::newRow("web-site") << m_server->siteUrl().resolved(QUrl(u"/missing.htm"_s));
    QTest::newRow("outside-the-update-directory")
        << m_server->baseUrl().resolved(QUrl(u"/korvant.ver"_s));
}

void TestLocalWebServer::missingFileIsNotFound()
{
    QFETCH(QUrl, url);
    const Answer answer = get(url);
    QVERIFY(answer.finished);
    QCOMPARE(answer.status, 404);
    QCOMPARE(answer.error, QNetworkReply::ContentNotFoundError);
}

void TestLocalWebServer::hooks_data()
{
    QTest::addColumn<LocalWebServer::Hook>("hook");
    QTest::addColumn<int>("status");
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<QByteArray>("headerName");
    QTest::addColumn<QByteArray>("headerValue");

    using Hook = LocalWebServer::Hook;
    // Redirects are not followed: the 302 itself is the answer.
    QTest::newRow("redirect") << Hook::Redirect << 302 << QNetworkReply::NoError
                              << QByteArray("Location")
                              << m_server->url(u"korvant.ver"_s).toEncoded();
    QTest::newRow("error500") << Hook::Error500 << 500 << QNetworkReply::InternalServerError
                              << QByteArray() << QByteArray();
    QTest::newRow("close") << Hook::Close << 0 << QNetworkReply::RemoteHostClosedError
                           << QByteArray() << QByteArray();
    QTest::newRow("cookie") << Hook::Cookie << 200 << QNetworkReply::NoError
                            << QByteArray("Set-Cookie") << QByteArray("korvant-test=1; Path=/");
}

void TestLocalWebServer::hooks()
{
    QFETCH(LocalWebServer::Hook, hook);
    QFETCH(int, status);
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(QByteArray, headerName);
    QFETCH(QByteArray, headerValue);

    const QUrl url = under(m_server->hookBaseUrl(hook), u"korvant.ver"_s);
    const Answer answer = get(url);
    QVERIFY(answer.finished);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.error, error);
    if (!headerName.isEmpty())
        QCOMPARE(answer.header(headerName), headerValue);
}

void TestLocalWebServer::truncatedBodyEndsBeforeItsAnnouncedLength()
{
    const QUrl url =
        under(m_server->hookBaseUrl(LocalWebServer::Hook::Truncated), u"korvant.hls"_s);
    const Answer answer = get(url);
    QVERIFY(answer.finished);
    QCOMPARE(answer.status, 200);
    QCOMPARE(answer.header("Content-Length"), QByteArray("1000000"));
    QVERIFY2(answer.error != QNetworkReply::NoError, "a body shorter than announced is a failure");
    QVERIFY(answer.body.size() < 1'000'000);
}

void TestLocalWebServer::slowBodyTakesSeconds()
{
    const QUrl url = under(m_server->hookBaseUrl(LocalWebServer::Hook::Slow), largeHex);
    QElapsedTimer timer;
    timer.start();
    const Answer answer = get(url);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(answer.error, QNetworkReply::NoError);
    QCOMPARE(answer.body, TestFiles::read(m_server->updateDir() + u"/"_s + largeHex));
    // 16 KiB/s: the first 16 KiB go at once, the rest take about three seconds.
    QVERIFY2(elapsed >= 2000, qPrintable(u"took only %1 ms"_s.arg(elapsed)));
}

void TestLocalWebServer::stalledBodySendsHeadersThenNothing()
{
    QNetworkAccessManager manager;
    const QUrl url = under(m_server->hookBaseUrl(LocalWebServer::Hook::Stall), u"korvant.ver"_s);
    std::unique_ptr<QNetworkReply> reply(
        manager.get(requestFor(url, m_server->sslConfiguration())));
    QSignalSpy readyRead(reply.get(), &QIODevice::readyRead);
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(readyRead.wait(fetchTimeoutMs));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QVERIFY(reply->readAll().startsWith("stalling"));
    // Bounded look for something that must not happen.
    QVERIFY(!finished.wait(2000));
    QCOMPARE(readyRead.size(), 1);
    reply->abort();
}

void TestLocalWebServer::endlessBodyHasNoEnd()
{
    QNetworkAccessManager manager;
    const QUrl url = under(m_server->hookBaseUrl(LocalWebServer::Hook::Endless), u"korvant.hls"_s);
    std::unique_ptr<QNetworkReply> reply(
        manager.get(requestFor(url, m_server->sslConfiguration())));
    qint64 received = 0;
    QObject::connect(reply.get(), &QIODevice::readyRead, reply.get(),
                     [&] { received += reply->readAll().size(); });
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QSignalSpy readyRead(reply.get(), &QIODevice::readyRead);
    constexpr qint64 enough = 8 * 1024 * 1024;
    QDeadlineTimer deadline(60'000);
    while (received < enough && finished.isEmpty() && !deadline.hasExpired())
        readyRead.wait(int(deadline.remainingTime()));
    QVERIFY2(received >= enough, qPrintable(u"only %1 bytes"_s.arg(received)));
    QVERIFY(finished.isEmpty());
    QVERIFY(!reply->hasRawHeader("Content-Length"));
    reply->abort();
}

void TestLocalWebServer::refusedCertificates_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<bool>("trustLocalCa");
    QTest::addColumn<QSslError::SslError>("expected");

    using Bad = LocalWebServer::BadCertificate;
    const auto on = [this](Bad kind) {
        return under(m_server->badCertificateBaseUrl(kind), u"korvant.ver"_s);
    };
    QTest::newRow("unknown-ca") << on(Bad::UnknownCa) << true
                                << QSslError::UnableToGetLocalIssuerCertificate;
    QTest::newRow("wrong-host") << on(Bad::WrongHost) << true << QSslError::HostNameMismatch;
    QTest::newRow("expired") << on(Bad::Expired) << true << QSslError::CertificateExpired;
    // The system's CAs alone do not trust the local server: the CA file is what makes it work.
    QTest::newRow("local-ca-not-added")
        << m_server->url(u"korvant.ver"_s) << false << QSslError::UnableToGetLocalIssuerCertificate;
}

void TestLocalWebServer::refusedCertificates()
{
    QFETCH(QUrl, url);
    QFETCH(bool, trustLocalCa);
    QFETCH(QSslError::SslError, expected);

    const QSslConfiguration tls =
        trustLocalCa ? m_server->sslConfiguration() : QSslConfiguration::defaultConfiguration();
    const Answer answer = fetch(requestFor(url, tls));
    QVERIFY(answer.finished);
    QCOMPARE(answer.error, QNetworkReply::SslHandshakeFailedError);
    QVERIFY2(answer.sslErrors.contains(expected), qPrintable(answer.errorString));
    QVERIFY(answer.body.isEmpty());
}

void TestLocalWebServer::caFileIsWhereTheProgramLooks()
{
    QCOMPARE(m_server->caFile(), m_server->configHome() + u"/Quendrel/Korvant-ca.pem"_s);
    const QByteArray written = TestFiles::read(m_server->caFile());
    QVERIFY(!written.isEmpty());
    QCOMPARE(written, TestFiles::read(m_server->stateDir() + u"/tls/ca.pem"_s));
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(written);
    QCOMPARE(certificates.size(), 1);
    QVERIFY(certificates.first().isSelfSigned());
}

void TestLocalWebServer::accessLogRecordsRequestHeaders()
{
    QNetworkRequest request =
        requestFor(m_server->url(u"korvant.ver"_s), m_server->sslConfiguration());
    request.setRawHeader("User-Agent", "Korvant test agent");
    request.setRawHeader("Accept", "text/x-korvant-test");
    QCOMPARE(fetch(request).status, 200);
    // nginx writes the line when it ends the request, which may be just after the client saw
    // the answer.
    const auto logged = [this] {
        return TestFiles::read(m_server->accessLog())
                   .contains("\"GET /Korvant/korvant.ver HTTP/1.1\" 200 ") &&
               TestFiles::read(m_server->accessLog())
                   .contains("ua=\"Korvant test agent\" accept=\"text/x-korvant-test\"");
    };
    QTRY_VERIFY_WITH_TIMEOUT(logged(), 5000);
}

void TestLocalWebServer::scriptStartStopAndStatusAreIdempotent()
{
    LocalWebServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    const QByteArray address = server.baseUrl().toEncoded();
    const auto port = [](const QUrl &url) {
        return QString::number(url.port());
    };
    using Bad = LocalWebServer::BadCertificate;
    const QStringList sameStart{u"start"_s,
                                u"--port"_s,
                                port(server.baseUrl()),
                                u"--site-port"_s,
                                port(server.siteUrl()),
                                u"--unknown-ca-port"_s,
                                port(server.badCertificateBaseUrl(Bad::UnknownCa)),
                                u"--wrong-host-port"_s,
                                port(server.badCertificateBaseUrl(Bad::WrongHost)),
                                u"--expired-port"_s,
                                port(server.badCertificateBaseUrl(Bad::Expired)),
                                u"--no-ca-file"_s};

    QByteArray output;
    QCOMPARE(server.runScript({u"status"_s}, &output), 0);
    QVERIFY2(output.contains(address), output.constData());
    QCOMPARE(server.runScript(sameStart, &output), 0);
    QVERIFY2(output.contains(QByteArray(address + '\n')), output.constData());
    QStringList otherPorts = sameStart;
    otherPorts[2] = port(server.siteUrl());
    QCOMPARE(server.runScript(otherPorts, &output), 1);
    QVERIFY2(output.contains("stop it first"), output.constData());

    QCOMPARE(server.runScript({u"stop"_s}), 0);
    QVERIFY(!canConnect(quint16(server.baseUrl().port())));
    QCOMPARE(server.runScript({u"stop"_s}), 0);
    QCOMPARE(server.runScript({u"status"_s}), 3);
}

void TestLocalWebServer::destructorStopsTheServer()
{
    quint16 port = 0;
    {
        LocalWebServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        port = quint16(server.baseUrl().port());
        QVERIFY(canConnect(port));
    }
    QVERIFY(!canConnect(port));
}

QTEST_GUILESS_MAIN(TestLocalWebServer)
#include "tst_localwebserver.moc"
