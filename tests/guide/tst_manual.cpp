// The manual built from the user's guide: read back with poppler's tools it holds the guide's
// headings and pictures; the guide's pictures are exactly those the screenshot program makes;
// the local web server serves the built manual.
#include "support/failuretext.h"
#include "support/localwebserver.h"
#include "web/webclient.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString guideFolder = QStringLiteral(KORVANT_SOURCE_DIR "/docs/guide");
const QString manual = QStringLiteral(KORVANT_BINARY_DIR "/webroot/site/Korvant_Manual_E2.pdf");

QString guideText()
{
    QFile file(guideFolder + u"/guide.md"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString simplified(QString text)
{
    text.remove(u'`');
    text.replace(QChar(0x2019), u'\''); // a typographic apostrophe in the PDF's text
    // The PDF's fonts set "fi" and the like as ligatures.
    return text.normalized(QString::NormalizationForm_KC).simplified();
}

// Runs a tool to its end (bounded) and gives its standard output.
QByteArray run(const QString &program, const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << program << "failed:" << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

QStringList guidePictures()
{
    QStringList names;
    static const QRegularExpression picture(u"!\\[[^\\]]*\\]\\(images/([^)]+)\\)"_s);
    for (const auto &match : picture.globalMatch(guideText()))
        names.append(match.captured(1));
    return names;
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(manual), qPrintable(manual));
        QVERIFY(!QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty());
        m_text = simplified(QString::fromUtf8(run(u"pdftotext"_s, {manual, u"-"_s})));
        QVERIFY(!m_text.isEmpty());
    }

    void holdsEveryHeading_data()
    {
        QTest::addColumn<QString>("heading");
        static const QRegularExpression heading(u"^#{1,4} +(.+)$"_s,
                                                QRegularExpression::MultilineOption);
        int rows = 0;
        for (const auto &match : heading.globalMatch(guideText())) {
            const QString text = simplified(match.captured(1));
            QTest::newRow(qPrintable(text)) << text;
            ++rows;
        }
        QVERIFY2(rows >= 10, "the guide has its chapters");
    }

    void holdsEveryHeading()
    {
        QFETCH(QString, heading);
        QVERIFY2(m_text.contains(heading), qPrintable(heading));
    }

    void holdsThePictures()
    {
        const QStringList pictures = guidePictures();
        QVERIFY(!pictures.isEmpty());
        const QStringList listed = QString::fromUtf8(run(u"pdfimages"_s, {u"-list"_s, manual}))
                                       .split(u'\n', Qt::SkipEmptyParts);
        // Two heading lines, then one line per image drawn.
        QVERIFY2(listed.size() - 2 >= pictures.size(), qPrintable(listed.join(u'\n')));
    }

    void titledAsTheManual()
    {
        const QString info = QString::fromUtf8(run(u"pdfinfo"_s, {manual}));
        QVERIFY2(info.contains(u"Korvant Instruction Manual"_s), qPrintable(info));
        QVERIFY2(info.contains(u"A4"_s), qPrintable(info));
    }

    // Every picture of the guide is in the folder and used, and the screenshot program remakes
    // exactly these (on the offscreen platform here; scripts/screenshots uses a real X server).
    void picturesAreTheOnesTheScreenshotsMake()
    {
        QStringList used = guidePictures();
        used.sort();
        used.removeDuplicates();
        QCOMPARE(QDir(guideFolder + u"/images"_s).entryList({u"*.png"_s}, QDir::Files, QDir::Name),
                 used);

        QTemporaryDir out;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        const QByteArray made =
            run(QStringLiteral(KORVANT_BINARY_DIR "/tests/guide/korvant-screenshots"), {out.path()},
                environment);
        QVERIFY(!made.isEmpty());
        QCOMPARE(QDir(out.path()).entryList({u"*.png"_s}, QDir::Files, QDir::Name), used);
    }

    void localServerServesTheBuiltManual()
    {
        LocalWebServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        qputenv("XDG_CONFIG_HOME", server.configHome().toUtf8());
        QFile built(manual);
        QVERIFY(built.open(QIODevice::ReadOnly));
        QBuffer served;
        served.open(QIODevice::WriteOnly);
        WebClient web;
        QCOMPARE(failureOf([&] {
                     web.Get(server.siteUrl().toString() + u"/Korvant_Manual_E2.pdf"_s, served);
                 }),
                 QString());
        QCOMPARE(served.data(), built.readAll());
    }

private:
    QString m_text;
};

QTEST_GUILESS_MAIN(TestManual)
#include "tst_manual.moc"
