#include "platform/korvanterror.h"
#include "platform/settingsstore.h"
#include "support/filepermissions.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void writeFile(const QByteArray &contents) { QVERIFY(TestFiles::write(m_path, contents)); }

    QJsonObject readFile()
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(u"Quendrel/Korvant.json"_s);
        QFile::remove(m_path);
        QFile::remove(m_path + u".bad"_s);
    }

    void defaultPathFollowsXdgConfigHome()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        QCOMPARE(SettingsStore::defaultPath(), m_dir.filePath(u"Quendrel/Korvant.json"_s));
    }

    void typedValuesRoundTripWithCaselessNames()
    {
        {
            SettingsStore store;
            store.setPath(m_path);
            QVERIFY(store.openKey());
            store.writeString(u"Port"_s, u"ttyUSB0"_s);
            store.writeInteger(u"ReadInterval"_s, -1);
            store.writeBool(u"ShowFeedback"_s, true);
            store.writeString(u"PORT"_s, u"ttyACM0"_s); // replaces "Port"
            store.closeKey();
        }
        const QJsonObject file = readFile();
        QCOMPARE(file.value(u"PORT"_s).toString(), u"ttyACM0"_s);
        QVERIFY(!file.contains(u"Port"_s));
        QCOMPARE(file.value(u"ShowFeedback"_s).toInt(), 1);

        SettingsStore store;
        store.setPath(m_path);
        QVERIFY(store.openKey());
        QVERIFY(store.valueExists(u"port"_s));
        QCOMPARE(store.readString(u"port"_s), u"ttyACM0"_s);
        QCOMPARE(store.readInteger(u"readinterval"_s), -1);
        QCOMPARE(store.readBool(u"showfeedback"_s), true);
        QVERIFY(!store.valueExists(u"Baud"_s));
    }

    void wrongTypeFails_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("asString");
        QTest::newRow("integer-read-as-string") << QByteArray("{\"Stop\": 1}") << true;
        QTest::newRow("string-read-as-integer") << QByteArray("{\"Stop\": \"1\"}") << false;
        QTest::newRow("fraction-read-as-integer") << QByteArray("{\"Stop\": 1.5}") << false;
        QTest::newRow("json-bool-read-as-integer") << QByteArray("{\"Stop\": true}") << false;
        QTest::newRow("object-read-as-string") << QByteArray("{\"Stop\": {}}") << true;
    }

    void wrongTypeFails()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, asString);
        writeFile(json);
        SettingsStore store;
        store.setPath(m_path);
        QVERIFY(store.openKey());
        try {
            if (asString)
                store.readString(u"Stop"_s);
            else
                store.readInteger(u"Stop"_s);
            QFAIL("no error");
        } catch (const KorvantError &e) {
            QCOMPARE(e.message(), u"Invalid data type for 'Stop'"_s);
        }
    }

    void corruptFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("truncated") << QByteArray("{\"Port\": \"COM");
        QTest::newRow("not-json") << QByteArray("Port=COM3\n");
        QTest::newRow("array") << QByteArray("[\"Port\"]");
        QTest::newRow("binary") << QByteArray("\x00\xff\x10", 3);
    }

    void corruptFileIsKeptAside()
    {
        QFETCH(QByteArray, contents);
        writeFile(contents);
        {
            SettingsStore store;
            store.setPath(m_path);
            QVERIFY(store.openKey());
            QVERIFY(store.keptAsideNotice().contains(u".bad"_s));
            QVERIFY(!store.valueExists(u"Port"_s));
            store.writeString(u"Version"_s, u"5.0"_s);
            store.closeKey();
        }
        QFile aside(m_path + u".bad"_s);
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), contents);
        QCOMPARE(readFile().value(u"Version"_s).toString(), u"5.0"_s);
    }

    void aSecondBrokenFileKeepsTheFirstOneAside()
    {
        for (const QByteArray &contents : {QByteArray("first"), QByteArray("second")}) {
            writeFile(contents);
            SettingsStore store;
            store.setPath(m_path);
            QVERIFY(store.openKey());
            QVERIFY(!store.keptAsideNotice().isEmpty());
            store.closeKey();
        }
        QCOMPARE(TestFiles::read(m_path + u".bad"_s), QByteArray("first"));
        QCOMPARE(TestFiles::read(m_path + u".bad.1"_s), QByteArray("second"));
    }

    void unknownMembersAreKept()
    {
        writeFile("{\"FutureOption\": [1, 2], \"Port\": \"COM3\"}");
        SettingsStore store;
        store.setPath(m_path);
        QVERIFY(store.openKey());
        store.writeString(u"Port"_s, u"COM5"_s);
        store.closeKey();
        const QJsonObject file = readFile();
        QCOMPARE(file.value(u"Port"_s).toString(), u"COM5"_s);
        QCOMPARE(file.value(u"FutureOption"_s).toArray().size(), 2);
    }

    // Found by fuzz_settingsstore: a hand-edited file may spell a name twice.
    void aNameSpelledTwiceIsReplacedInEverySpelling()
    {
        writeFile("{\"PORT\": \"COM3\", \"Port\": \"COM4\"}");
        SettingsStore store;
        store.setPath(m_path);
        QVERIFY(store.openKey());
        store.writeString(u"port"_s, u"COM5"_s);
        QCOMPARE(store.readString(u"Port"_s), u"COM5"_s);
        store.closeKey();
        QCOMPARE(readFile(), QJsonObject({{u"port"_s, u"COM5"_s}}));
    }

    // A read-only folder, which root too must respect while the hold lives.
    void failedWriteKeepsThePreviousFile()
    {
        writeFile("{\"Port\": \"COM3\"}");
        const QString folder = QFileInfo(m_path).absolutePath();
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        {
            FilePermissionsHold permissions;
            QVERIFY(permissions.holds());
            SettingsStore store;
            store.setPath(m_path);
            QVERIFY(store.openKey());
            store.writeString(u"Port"_s, u"COM9"_s);
            QVERIFY_THROWS_EXCEPTION(KorvantError, store.closeKey());
        }
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(readFile().value(u"Port"_s).toString(), u"COM3"_s);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), files);
    }
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
