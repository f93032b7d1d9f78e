#include "platform/versionrecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_VersionRecord : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    const QString m_program = QStringLiteral(KORVANT_BINARY_DIR "/bin/korvant");

    QString copyOfProgram(const QString &name)
    {
        const QString copy = m_dir.filePath(name);
        QFile::remove(copy);
        if (!QFile::copy(m_program, copy))
            return {};
        return copy;
    }

private Q_SLOTS:
    void GetPropertyValue_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QString program = m_program;
        QTest::newRow("program-FileVersion")
            << program << u"FileVersion"_s << QStringLiteral(KORVANT_EXPECTED_VERSION);
        QTest::newRow("program-ProductVersion")
            << program << u"ProductVersion"_s << QStringLiteral(KORVANT_EXPECTED_VERSION);
        QTest::newRow("program-absent-key") << program << u"Comments"_s << QString();
        QTest::newRow("key-case-matters") << program << u"fileversion"_s << QString();
        QTest::newRow("missing-path")
            << m_dir.filePath(u"nothing-here"_s) << u"FileVersion"_s << QString();
        QTest::newRow("file-without-record") << QStringLiteral(KORVANT_SOURCE_DIR "/CMakeLists.txt")
                                             << u"FileVersion"_s << QString();
    }

    void GetPropertyValue()
    {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(VersionRecord::GetPropertyValue(file, key), expected);
    }

    void updateUrlIsAnHttpsBaseWithoutTrailingSlash()
    {
        const QString url = VersionRecord::GetPropertyValue(m_program, u"UpdateURL"_s);
        QVERIFY2(url.startsWith(u"https://"_s), qPrintable(url));
        QVERIFY(!url.endsWith(u'/'));
    }

    void stampedCopy_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("read");
        QTest::newRow("older") << u"2.0.0.3"_s << u"2.0.0.3"_s;
        QTest::newRow("blanks-around") << u"  2.0.0.5 \t"_s << u"2.0.0.5"_s;
        QTest::newRow("only-blanks") << u"   "_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void stampedCopy()
    {
        QFETCH(QString, stored);
        QFETCH(QString, read);
        const QString copy = copyOfProgram(u"korvant.old"_s);
        QVERIFY(!copy.isEmpty());
        QVERIFY(VersionRecord::stamp(
            copy, {{u"FileVersion"_s, stored}, {u"UpdateURL"_s, u"https://example.test/K"_s}}));
        QCOMPARE(VersionRecord::GetPropertyValue(copy, u"FileVersion"_s), read);
        QCOMPARE(VersionRecord::GetPropertyValue(copy, u"UpdateURL"_s),
                 u"https://example.test/K"_s);
        QCOMPARE(VersionRecord::GetPropertyValue(copy, u"ProductVersion"_s), QString());
        // The original is untouched.
        QCOMPARE(VersionRecord::GetPropertyValue(m_program, u"FileVersion"_s),
                 QStringLiteral(KORVANT_EXPECTED_VERSION));
    }

    void stampRefusesFileWithoutRecord()
    {
        const QString plain = m_dir.filePath(u"plain.txt"_s);
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no record here");
        file.close();
        QVERIFY(!VersionRecord::stamp(plain, {{u"FileVersion"_s, u"1"_s}}));
    }
};

QTEST_GUILESS_MAIN(tst_VersionRecord)
#include "tst_versionrecord.moc"
