#include "link/simulatorports.h"
#include "web/servernames.h"

#include <QTest>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestServerNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data();
    void names();
    void otherProgramFileNames_data();
    void otherProgramFileNames();
    void advertisedPortsFolder_data();
    void advertisedPortsFolder();
};

void TestServerNames::names_data()
{
    const QString base = u"https://localhost:8443/Korvant"_s;
    QTest::addColumn<QString>("formed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("version-file") << ServerNames::versionFileAddress(base)
                                  << u"https://localhost:8443/Korvant/korvant.ver"_s;
    QTest::newRow("program-file") << ServerNames::programFileAddress(base)
                                  << u"https://localhost:8443/Korvant/korvant"_s;
    QTest::newRow("firmware-list") << ServerNames::firmwareListAddress(base)
                                   << u"https://localhost:8443/Korvant/korvant.hls"_s;
    QTest::newRow("hex-file") << ServerNames::hexFileAddress(base, u"station-2.1.hex"_s)
                              << u"https://localhost:8443/Korvant/station-2.1.hex"_s;
    QTest::newRow("driver-archive") << ServerNames::driverArchiveAddress(base)
                                    << u"https://localhost:8443/Korvant/USBDrivers.zip"_s;
    QTest::newRow("installer-x86")
        << ServerNames::driverInstallerName(u"x86"_s) << u"USBDrivers/x86/DriverInstallTool.exe"_s;
    QTest::newRow("new-download") << ServerNames::newProgramFileName() << u"korvant.new"_s;
    QTest::newRow("old-program") << ServerNames::oldProgramFileName() << u"korvant.old"_s;
    QTest::newRow("home-page") << ServerNames::homePageAddress(u"https://localhost:8444"_s)
                               << u"https://localhost:8444/homeTesk.htm"_s;
    QTest::newRow("manual") << ServerNames::manualAddress(u"https://localhost:8444"_s)
                            << u"https://localhost:8444/Korvant_Manual_E2.pdf"_s;
    QTest::newRow("site-root") << ServerNames::webSiteRoot(u"https://localhost:8444"_s)
                               << u"https://localhost:8444/"_s;
}

void TestServerNames::names()
{
    QFETCH(QString, formed);
    QFETCH(QString, expected);
    QCOMPARE(formed, expected);
}

void TestServerNames::otherProgramFileNames_data()
{
    QTest::addColumn<QString>("programFile");
    QTest::addColumn<QString>("versionFile");
    QTest::newRow("with-extension") << u"Korvant.exe"_s << u"Korvant.ver"_s;
    QTest::newRow("renamed-copy") << u"korvant.old"_s << u"korvant.ver"_s;
    QTest::newRow("dot-in-folder-only") << u"/opt/k.d/korvant"_s << u"/opt/k.d/korvant.ver"_s;
    QTest::newRow("hidden-file") << u".korvant"_s << u".korvant.ver"_s;
}

void TestServerNames::otherProgramFileNames()
{
    QFETCH(QString, programFile);
    QFETCH(QString, versionFile);
    QCOMPARE(ServerNames::versionFileName(programFile), versionFile);
}

void TestServerNames::advertisedPortsFolder_data()
{
    QTest::addColumn<QByteArray>("runtimeDir");
    QTest::addColumn<QString>("folder");
    QTest::newRow("runtime-dir") << QByteArray("/run/user/1000")
                                 << u"/run/user/1000/korvant/ports"_s;
    QTest::newRow("unset-uses-tmp-per-user")
        << QByteArray() << u"/tmp/korvant-%1/ports"_s.arg(::getuid());
}

void TestServerNames::advertisedPortsFolder()
{
    QFETCH(QByteArray, runtimeDir);
    QFETCH(QString, folder);
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    if (runtimeDir.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", runtimeDir);
    const QString got = ::advertisedPortsFolder();
    const QString link = advertisedPortPath(u"SIM1"_s);
    qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(got, folder);
    QCOMPARE(link, folder + u"/SIM1"_s);
}

QTEST_GUILESS_MAIN(TestServerNames)
#include "tst_servernames.moc"
