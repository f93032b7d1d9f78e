// The hex file list `TfHexList` against the local stand-in of the maker's server: the list
// fetched at every opening, Load, double click, Cancel, the copy saved beside a stamped copy of
// the program, and the names from the server that must not be written.
#include "firmware/hexlistdialog.h"
#include "support/localwebserver.h"
#include "support/messagerecorder.h"
#include "support/programcopy.h"
#include "support/testfiles.h"
#include "web/webclient.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

const QByteArray hexA = ":0200000001A05D\n:00000001FF\n";
const QByteArray hexC = ":020000000CA052\n:00000001FF\n";
const QByteArray hexCSaved = ":020000000CA052\r\n:00000001FF\r\n";

} // namespace

class TestHexListDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<LocalWebServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        qputenv("XDG_CONFIG_HOME", m_server->configHome().toUtf8());
        QVERIFY(m_server->publish(u"a.hex"_s, hexA));
        QVERIFY(m_server->publish(u"b.hex"_s, ":00000001FF\n"));
        QVERIFY(m_server->publish(u"c.hex"_s, hexC));
        QVERIFY(m_server->publish(u"my firmware 2.hex"_s, hexC));
        QVERIFY(m_server->publish(u"x.hex"_s, hexA));
    }

    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_program = programCopy(u"korvant"_s);
        QVERIFY(m_server->publish(u"korvant.hls"_s, "a.hex\r\nb.hex\r\nc.hex\r\n"));
        m_before = m_server->accessLogLines().size();
    }

    void cleanup()
    {
        m_messages.boxes.clear();
        QVERIFY(!QApplication::overrideCursor());
    }

    void listShowsEveryEntryWithTheLastCurrent()
    {
        TfHexList dialog(m_web, m_program);
        QCOMPARE(itemTexts(dialog.lbHexList()), QStringList({u"a.hex"_s, u"b.hex"_s, u"c.hex"_s}));
        QCOMPARE(dialog.lbHexList()->currentRow(), 2);
        QVERIFY(dialog.lbHexList()->item(2)->isSelected());
        for (int row = 0; row < dialog.lbHexList()->count(); ++row)
            QVERIFY(dialog.lbHexList()->item(row)->toolTip().isEmpty());
        QVERIFY(m_messages.boxes.isEmpty());
    }

    void loadFetchesAndSavesTheCurrentEntry()
    {
        TfHexList dialog(m_web, m_program);
        dialog.sbLoadClick();
        QCOMPARE(dialog.result().action, HexListResult::Action::Loaded);
        QCOMPARE(dialog.result().savedPath, m_folder->filePath(u"c.hex"_s));
        QCOMPARE(dialog.result().text, QString::fromLatin1(hexC));
        QCOMPARE(TestFiles::read(m_folder->filePath(u"c.hex"_s)), hexCSaved);
        QCOMPARE(dialog.QDialog::result(), int(QDialog::Accepted));
        QTRY_VERIFY_WITH_TIMEOUT(requested(u"/Korvant/c.hex"_s), 5000);
        QVERIFY(m_messages.boxes.isEmpty());
    }

    void loadReplacesAnEarlierCopy()
    {
        QFile earlier(m_folder->filePath(u"c.hex"_s));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an older firmware, longer than the new one\r\n");
        earlier.close();
        TfHexList dialog(m_web, m_program);
        dialog.sbLoadClick();
        QCOMPARE(TestFiles::read(m_folder->filePath(u"c.hex"_s)), hexCSaved);
    }

    void doubleClickLoadsTheEntryClicked()
    {
        TfHexList dialog(m_web, m_program);
        dialog.show();
        QListWidget *list = dialog.lbHexList();
        const QRect first = list->visualItemRect(list->item(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(dialog.result().action, HexListResult::Action::Loaded);
        QCOMPARE(dialog.result().savedPath, m_folder->filePath(u"a.hex"_s));
        QCOMPARE(TestFiles::read(dialog.result().savedPath), QByteArray(":0200000001A05D\r\n"
                                                                        ":00000001FF\r\n"));
    }

    void entryWithBlanksIsUsedUnchanged()
    {
        QVERIFY(m_server->publish(u"korvant.hls"_s, "my firmware 2.hex\r\n"));
        TfHexList dialog(m_web, m_program);
        dialog.sbLoadClick();
        QCOMPARE(dialog.result().savedPath, m_folder->filePath(u"my firmware 2.hex"_s));
        QCOMPARE(TestFiles::read(dialog.result().savedPath), hexCSaved);
        QTRY_VERIFY_WITH_TIMEOUT(requested(u"/Korvant/my%20firmware%202.hex"_s), 5000);
    }

    void unsafeEntryIsRefused_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::newRow("parent-folder") << QByteArray("a.hex\r\n../x.hex\r\n");
        QTest::newRow("absolute-path") << QByteArray("/tmp/x.hex\r\n");
        QTest::newRow("backslashes") << QByteArray("..\\x.hex\r\n");
        QTest::newRow("empty-line") << QByteArray("a.hex\r\n\r\nc.hex");
        // Plain names that are no hex file: saved, they would replace the program itself.
        QTest::newRow("the-program") << QByteArray("a.hex\r\nkorvant\r\n");
        QTest::newRow("the-settings") << QByteArray("a.hex\r\nKorvant.json\r\n");
        QTest::newRow("only-the-ending") << QByteArray("a.hex\r\n.hex\r\n");
        QTest::newRow("hex-inside-the-name") << QByteArray("a.hex\r\nx.hex.sh\r\n");
    }

    void unsafeEntryIsRefused()
    {
        QFETCH(QByteArray, list);
        QVERIFY(m_server->publish(u"korvant.hls"_s, list));
        TfHexList dialog(m_web, m_program);
        dialog.lbHexList()->setCurrentRow(1 % dialog.lbHexList()->count());
        const QListWidgetItem *chosen = dialog.lbHexList()->currentItem();
        QVERIFY(!chosen->toolTip().isEmpty()); // drawn as unusable, saying why
        QCOMPARE(chosen->foreground(),
                 dialog.lbHexList()->palette().brush(QPalette::Disabled, QPalette::Text));
        dialog.sbLoadClick();
        QCOMPARE(m_messages.boxes.size(), 1);
        QCOMPARE(m_messages.boxes.first().kind, Messages::Kind::Warning);
        QVERIFY2(m_messages.boxes.first().text.startsWith(u"The list entry "_s),
                 qPrintable(m_messages.boxes.first().text));
        QCOMPARE(dialog.result().action, HexListResult::Action::Closed);
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList{u"korvant"_s});
        QVERIFY(!QFile::exists(m_folder->filePath(u"../x.hex"_s)));
        // One more request after the refusal: a request for the entry would have been asked
        // for before this one, so it would be in the log by the time this one is.
        m_web.Get(m_server->url(u"b.hex"_s).toString(), WebClient::TextFileCap);
        QTRY_VERIFY_WITH_TIMEOUT(requested(u"/Korvant/b.hex"_s), 5000);
        QVERIFY(!requested(u"/Korvant/x.hex"_s));
    }

    void linkInTheProgramFolderIsNotWrittenThrough()
    {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(u"target.hex"_s);
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept\r\n");
        file.close();
        QVERIFY(QFile::link(target, m_folder->filePath(u"c.hex"_s)));
        TfHexList dialog(m_web, m_program);
        dialog.sbLoadClick();
        QCOMPARE(m_messages.boxes.size(), 1);
        QCOMPARE(m_messages.boxes.first().kind, Messages::Kind::Warning);
        QCOMPARE(TestFiles::read(target), QByteArray("kept\r\n"));
        QCOMPARE(dialog.result().action, HexListResult::Action::Closed);
    }

    void cancel()
    {
        TfHexList dialog(m_web, m_program);
        dialog.sbCancelClick();
        QCOMPARE(dialog.result().action, HexListResult::Action::Cancelled);
        QCOMPARE(dialog.QDialog::result(), int(QDialog::Rejected));
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList{u"korvant"_s});
    }

    void listThatCannotBeFetchedOpensEmpty()
    {
        const QString program = programCopy(u"nolist"_s);
        TfHexList dialog(m_web, program);
        QCOMPARE(m_messages.texts(), QStringList{u"HTTP/1.1 404 Not Found"_s});
        QCOMPARE(dialog.lbHexList()->count(), 0);
        dialog.sbLoadClick();
        QCOMPARE(m_messages.texts().constLast(), u"There is no file in the list to load."_s);
        QCOMPARE(dialog.result().action, HexListResult::Action::Closed);
    }

    void failedLoadKeepsTheDialogOpen_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not-on-the-server") << QByteArray("gone.hex\r\n") << u"HTTP/1.1 404"_s;
        // A folder where the copy is to go: the save fails, whoever runs the test.
        QTest::newRow("copy-cannot-be-saved") << QByteArray("a.hex\r\n") << u"Cannot save "_s;
    }

    void failedLoadKeepsTheDialogOpen()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, expected);
        QVERIFY(m_server->publish(u"korvant.hls"_s, list));
        QVERIFY(QDir(m_folder->path()).mkpath(u"a.hex/inside"_s));
        TfHexList dialog(m_web, m_program);
        dialog.sbLoadClick();
        QCOMPARE(m_messages.boxes.size(), 1);
        QVERIFY2(m_messages.boxes.first().text.startsWith(expected),
                 qPrintable(m_messages.boxes.first().text));
        QCOMPARE(dialog.result().action, HexListResult::Action::Closed);
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList{u"korvant"_s});
    }

    void renamedProgramFetchesItsOwnList()
    {
        const QString program = programCopy(u"station"_s);
        QVERIFY(m_server->publish(u"station.hls"_s, "x.hex\r\n"));
        TfHexList dialog(m_web, program);
        QCOMPARE(itemTexts(dialog.lbHexList()), QStringList{u"x.hex"_s});
    }

    void pageFieldsAfterTheDialog_data()
    {
        QTest::addColumn<QString>("action"); // what the user does in the dialog
        QTest::addColumn<QString>("earlierFile");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<bool>("reminded");
        QTest::newRow("load") << u"load"_s << QString() << u"<saved>"_s << QString::fromLatin1(hexC)
                              << true;
        QTest::newRow("cancel-empties-both")
            << u"cancel"_s << u"/old/b.hex"_s << QString() << QString() << false;
        QTest::newRow("close-box-after-an-earlier-load")
            << u"close"_s << u"/old/b.hex"_s << u"/old/b.hex"_s << u"earlier memo"_s << true;
        QTest::newRow("close-box-without-file")
            << u"close"_s << QString() << QString() << u"earlier memo"_s << false;
    }

    void pageFieldsAfterTheDialog()
    {
        QFETCH(QString, action);
        QFETCH(QString, earlierFile);
        QFETCH(QString, file);
        QFETCH(QString, memo);
        QFETCH(bool, reminded);
        QWidget page;
        auto *eHexFile = new QLineEdit(earlierFile, &page);
        auto *MHexFile = new QPlainTextEdit(u"earlier memo"_s, &page);
        whenTheDialogOpens([&action](TfHexList *dialog) {
            if (action == u"load"_s)
                dialog->sbLoadClick();
            else if (action == u"cancel"_s)
                dialog->sbCancelClick();
            else
                dialog->close();
        });
        // Stands for the page's loader: the saved copy into the two fields.
        const auto load = [&](const QString &path) {
            eHexFile->setText(path);
            MHexFile->setPlainText(QString::fromLatin1(TestFiles::read(path)).remove(u'\r'));
        };
        bHexListClick(&page, m_web, m_program, eHexFile, MHexFile, load);
        QCOMPARE(eHexFile->text(), file == u"<saved>"_s ? m_folder->filePath(u"c.hex"_s) : file);
        QCOMPARE(MHexFile->toPlainText(), memo);
        const QStringList reminder{
            u"Start Korvant\u00AE Station in BootLoader mode and Upload this new version!"_s};
        QCOMPARE(m_messages.texts(), reminded ? reminder : QStringList());
    }

private:
    QString programCopy(const QString &name)
    {
        return stampedProgramCopy(m_folder->filePath(name), u"2.0.0.4"_s,
                                  m_server->baseUrl().toString());
    }

    bool requested(const QString &path) const
    {
        const QString request = u"\"GET "_s + path + u" HTTP/1.1\""_s;
        for (const QString &line : m_server->accessLogLines().mid(m_before)) {
            if (line.contains(request))
                return true;
        }
        return false;
    }

    // Acts on the modal dialog once it shows (its list is fetched before it does).
    void whenTheDialogOpens(std::function<void(TfHexList *)> act)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, act = std::move(act)] {
            auto *dialog = qobject_cast<TfHexList *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->deleteLater();
            poll->stop();
            act(dialog);
        });
        poll->start(20);
    }

    std::unique_ptr<LocalWebServer> m_server;
    std::unique_ptr<QTemporaryDir> m_folder;
    WebClient m_web;
    MessageRecorder m_messages;
    QString m_program;
    qsizetype m_before = 0;
};

QTEST_MAIN(TestHexListDialog)
#include "tst_hexlistdialog.moc"
