#include "firmware/firmwarepage.h"
#include "support/windowfixture.h"

#include <QPlainTextEdit>

using namespace Qt::Literals::StringLiterals;

// The hidden service page's hex import, reading the firmware page's hex memo in the real window.
class tst_InternalPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;
    QTemporaryDir files;

    void loadHex(const QByteArray &contents)
    {
        const QString path = files.filePath(u"fw.hex"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        f->window->findChild<FirmwarePage *>()->loadHexFile(path);
        f->messages.boxes.clear(); // the file's own check is another test's business
    }

    QString listing() { return f->control<QPlainTextEdit>(u"mBootLoader"_s)->toPlainText(); }
    void import() { f->control<QAbstractButton>(u"sbImportHex"_s)->click(); }

private Q_SLOTS:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void anEmptyHexMemoAsksForAFileFirst()
    {
        const QString before = listing();
        import();
        QCOMPARE(f->messages.texts(), QStringList{u"Import HEX file first..."_s});
        QCOMPARE(listing(), before);
    }

    void theListingReplacesWhatWasThere()
    {
        loadHex(":020000040000FA\r\n:0400000001234567 2C\r\n:00000001FF\r\n"_ba.replace(" ", ""));
        import();
        import(); // twice gives the same listing, not a doubled one
        QCOMPARE(listing(), u"\tdw  0x2301,0x6745  ; \t\\x0000\n\tdw   ; \t\\x0000"_s);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void aBadLineStopsTheListingAndIsReported()
    {
        loadHex(":020000040000FA\r\n:00000001FF\r\n:0200G000AB0C00\r\n");
        import();
        QCOMPARE(listing(), u"\tdw   ; \t\\x0000"_s);
        QCOMPARE(f->messages.texts(), QStringList{u"'$00G0' is not a valid integer value"_s});
    }
};

QTEST_MAIN(tst_InternalPage)
#include "tst_internalpage.moc"
