// Files the program meets that are not what it expects, end to end through the real window:
// settings files that cannot be used, ".tout" and hex files that are binary, huge, empty or in
// odd encodings, and a disk that fills up while the program saves. Each time the program goes
// on, says so at most once, and leaves the user's files as they were.
#include "link/portstatusbar.h"
#include "support/filechooser.h"
#include "support/filepermissions.h"
#include "support/fulldisk.h"
#include "support/hextext.h"
#include "support/messagerecorder.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <cerrno>
#include <cstring>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the test knows of a file: enough to tell that nothing wrote to it.
struct FileState
{
    bool exists = false;
    bool isDir = false;
    qint64 size = 0;
    QByteArray hash; // of the first MiB: the huge files are sparse zeros after it
    QDateTime modified;
    bool operator==(const FileState &) const = default;
};

FileState stateOf(const QString &path)
{
    const QFileInfo info(path);
    FileState state{info.exists(), info.isDir(), info.size(), {}, info.lastModified()};
    QFile file(path);
    if (!state.isDir && file.open(QIODevice::ReadOnly))
        state.hash = QCryptographicHash::hash(file.read(1024 * 1024), QCryptographicHash::Sha256);
    return state;
}

QByteArray randomBytes(qsizetype size)
{
    QRandomGenerator random(1938);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

// The settings store on a disk of its own, where the program looks while this lives.
struct StoreOnDisk
{
    explicit StoreOnDisk(const FullDisk &disk) : savedHome(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(disk.path()));
        path = TestFiles::writeIn(disk.path() + u"/Quendrel"_s, u"Korvant.json"_s,
                                  "{\"Port\": \"ttyUSB7\"}");
    }
    ~StoreOnDisk() { qputenv("XDG_CONFIG_HOME", savedHome); }
    Q_DISABLE_COPY_MOVE(StoreOnDisk)

    QByteArray savedHome;
    QString path;
};

} // namespace

class tst_FileFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsFilesThatCannotBeUsed_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("said"); // the start of the one box
        const QString keptAside = u"The settings file "_s;
        QTest::newRow("binary") << randomBytes(4096) << keptAside;
        QTest::newRow("json-array") << QByteArray("[\"Port\", \"ttyUSB0\"]") << keptAside;
        QTest::newRow("utf16-json") << QByteArray("\xFF\xFE{\0}\0", 6) << keptAside;
        QTest::newRow("every-value-a-wrong-type")
            << QByteArray("{\"Port\": 3, \"Stop\": [1], \"Data\": {}, \"Parity\": true, "
                          "\"StyleVSF\": null}")
            << u"Invalid data type for 'Port'\nInvalid data type for 'Stop'\nInvalid data type "
               "for 'Data'\nInvalid data type for 'Parity'\nInvalid data type for 'StyleVSF'"_s;
        QTest::newRow("a-folder-in-its-place") << QByteArray() << u"Cannot read the settings "_s;
        QTest::newRow("no-read-permission") << QByteArray("{}") << u"Cannot read the settings "_s;
    }

    void settingsFilesThatCannotBeUsed()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, said);
        const QString row = QString::fromLatin1(QTest::currentDataTag());
        WindowFixture f;
        f.window.reset();
        f.messages.boxes.clear();
        const QString store = f.home.filePath(u"config/Quendrel/Korvant.json"_s);
        QVERIFY(QFile::remove(store));
        if (row == u"a-folder-in-its-place"_s) {
            QVERIFY(QDir().mkpath(store));
        } else {
            QVERIFY(TestFiles::write(store, contents));
            if (row == u"no-read-permission"_s)
                QVERIFY(QFile::setPermissions(store, QFile::WriteOwner));
        }
        // Root, too, is held to the permission bits from here on, as any user is.
        std::optional<FilePermissionsHold> permissions;
        if (row == u"no-read-permission"_s) {
            permissions.emplace();
            QVERIFY(permissions->holds());
        }
        const FileState before = stateOf(store);

        f.window = std::make_unique<TfKorvant>();
        QCOMPARE(f.messages.boxes.size(), 1);
        QVERIFY2(f.messages.texts().first().startsWith(said),
                 qPrintable(f.messages.texts().first()));
        if (permissions)
            QVERIFY2(f.messages.texts().first().contains(QString::fromLocal8Bit(strerror(EACCES))),
                     qPrintable(f.messages.texts().first()));
        QCOMPARE(f.window->portStatusBar()->panelText(0), u"Com1"_s); // start-up went on
        f.window->show();
        f.window.reset(); // the settings are written back, where they can be
        QCOMPARE(f.messages.boxes.size(), 1);

        if (said.startsWith(u"Invalid data type"_s)) {
            // Values of the wrong type are written back with their defaults at exit.
            QVERIFY(!(stateOf(store) == before));
        } else if (said == u"The settings file "_s) {
            // Kept aside byte for byte, and a fresh file made beside it.
            QCOMPARE(stateOf(store + u".bad"_s).hash, before.hash);
            QVERIFY(stateOf(store).exists);
        } else {
            QCOMPARE(stateOf(store), before); // not read, not written
        }
    }

    void filesOfEveryShape_data()
    {
        QTest::addColumn<QString>("kind"); // "tout" or "hex"
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint64>("sparseSize"); // a file of this size, zeros but for contents
        QTest::addColumn<QString>("said");      // the start of the one box, or none
        const qint64 huge = 100 * 1024 * 1024;
        const QByteArray utf16NoMark = utf16(u":00000001FF\r\n"_s, QStringConverter::Utf16LE);
        const QString notHex = u"This is not a valid Intel HEX file"_s;
        QTest::newRow("tout-binary") << u"tout"_s << randomBytes(800) << qint64(0) << QString();
        QTest::newRow("tout-100MB") << u"tout"_s << QByteArray(":03") << huge << u"The file \""_s;
        QTest::newRow("tout-empty") << u"tout"_s << QByteArray() << qint64(0) << QString();
        QTest::newRow("tout-utf16-without-mark")
            << u"tout"_s << utf16NoMark << qint64(0) << QString();
        QTest::newRow("tout-broken-utf8-after-mark")
            << u"tout"_s << QByteArray("\xEF\xBB\xBF:\xC3\x28\xFF\r\n") << qint64(0) << QString();
        QTest::newRow("hex-binary") << u"hex"_s << randomBytes(800) << qint64(0) << notHex;
        QTest::newRow("hex-100MB") << u"hex"_s << SmallHex << huge << u"The file \""_s;
        QTest::newRow("hex-empty") << u"hex"_s << QByteArray() << qint64(0) << notHex;
        QTest::newRow("hex-utf16-without-mark") << u"hex"_s << utf16NoMark << qint64(0) << notHex;
        QTest::newRow("hex-utf16be-with-mark")
            << u"hex"_s
            << QByteArray("\xFE\xFF") + utf16(u":00000001FF\r\n"_s, QStringConverter::Utf16BE)
            << qint64(0) << QString();
    }

    void filesOfEveryShape()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        QFETCH(qint64, sparseSize);
        QFETCH(QString, said);
        WindowFixture f;
        FileChooser chooser;
        const QString path = TestFiles::writeIn(f.home.path(), u"file."_s + kind, contents);
        if (sparseSize > 0) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(sparseSize));
        }
        const FileState before = stateOf(path);
        const QString memoName = kind == u"tout"_s ? u"mMemoReceived"_s : u"MHexFile"_s;
        chooser.answers = {path};
        if (kind == u"tout"_s) {
            f.userSelectsPage(TfKorvant::PageTurnout);
            f.control<QAbstractButton>(u"bbLoadTurnoutFile"_s)->click();
        } else {
            f.control<QAbstractButton>(u"bbGetFile"_s)->click();
        }
        QCOMPARE(f.messages.boxes.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY2(f.messages.texts().first().startsWith(said),
                     qPrintable(f.messages.texts().first().left(200)));
        if (sparseSize > 0)
            QVERIFY(f.control<QPlainTextEdit>(memoName)->toPlainText().isEmpty());
        QCOMPARE(stateOf(path), before);
        // The window goes on: the same page loads a good file at once.
        f.messages.boxes.clear();
        const QString good = TestFiles::writeIn(f.home.path(), u"good."_s + kind, SmallHex);
        chooser.answers = {good};
        f.control<QAbstractButton>(kind == u"tout"_s ? u"bbLoadTurnoutFile"_s : u"bbGetFile"_s)
            ->click();
        QVERIFY(f.messages.boxes.isEmpty());
        QVERIFY(
            f.control<QPlainTextEdit>(memoName)->toPlainText().startsWith(u":020000040000FA"_s));
    }

    void fullDiskWhileSavingATurnoutFile()
    {
        WindowFixture f;
        FileChooser chooser;
        FullDisk disk; // ends before the window, which writes its settings at exit
        const QString path =
            TestFiles::writeIn(disk.path(), u"layout.tout"_s, QByteArray(800, ':'));
        QVERIFY(disk.fill());
        const FileState before = stateOf(path);
        f.userSelectsPage(TfKorvant::PageTurnout);
        f.control<QPlainTextEdit>(u"mMemoReceived"_s)->setPlainText(QString(4000, u'0'));
        chooser.answers = {path};
        f.control<QAbstractButton>(u"bbSaveTurnoutFile"_s)->click();
        QCOMPARE(f.messages.boxes.size(), 1);
        QVERIFY2(f.messages.texts().first().startsWith(u"Cannot create file \"%1\"."_s.arg(path)),
                 qPrintable(f.messages.texts().first()));
        QVERIFY2(f.messages.texts().first().contains(FullDisk::failureText()),
                 qPrintable(f.messages.texts().first()));
        QCOMPARE(stateOf(path), before);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"layout.tout"_s});
    }

    // Start-up writes what it adds to the store; a disk that refuses it must not cut start-up
    // short.
    void fullDiskAtStartUpStillStartsTheWindow()
    {
        FullDisk disk;
        MessageRecorder messages;
        const StoreOnDisk store(disk);
        QVERIFY(disk.fill());
        const FileState before = stateOf(store.path);
        {
            TfKorvant window;
            QCOMPARE(messages.boxes.size(), 1);
            QVERIFY2(messages.texts().first().startsWith(u"Failed to store settings in "_s),
                     qPrintable(messages.texts().first()));
            QVERIFY2(messages.texts().first().contains(FullDisk::failureText()),
                     qPrintable(messages.texts().first()));
            QVERIFY(!window.pageControl3()->isTabVisible(TfKorvant::AdminConfig));
            QVERIFY(!window.pageControl3()->isTabVisible(TfKorvant::AdminSpecial));
            QVERIFY(window.findChild<QCheckBox *>(u"cbdirectUpload"_s)->isChecked());
            QCOMPARE(window.port().settings().port, u"ttyUSB7"_s);
        }
        QCOMPARE(stateOf(store.path), before);
    }

    void fullDiskWhileSavingTheSettingsAtExit()
    {
        FullDisk disk;
        MessageRecorder messages;
        const StoreOnDisk store(disk);
        FileState atStart;
        {
            TfKorvant window;
            QVERIFY(messages.boxes.isEmpty());
            atStart = stateOf(store.path); // start-up has written what it added
            QVERIFY(disk.fill());
            window.port().setPort(u"ttyACM3"_s);
        }
        QCOMPARE(messages.boxes.size(), 1);
        QVERIFY2(messages.texts().first().startsWith(u"Failed to store settings in "_s),
                 qPrintable(messages.texts().first()));
        QVERIFY2(messages.texts().first().contains(FullDisk::failureText()),
                 qPrintable(messages.texts().first()));
        QCOMPARE(stateOf(store.path), atStart);
        QCOMPARE(QDir(disk.path() + u"/Quendrel"_s).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"Korvant.json"_s});
    }
};

QTEST_MAIN(tst_FileFaults)
#include "tst_filefaults.moc"
