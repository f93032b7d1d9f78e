#include "admin/appearance.h"
#include "admin/appearancepage.h"
#include "support/windowfixture.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>

using namespace Qt::Literals::StringLiterals;

// Styles in the real window: the list, the choice, the stored name, and a look of their own.
class tst_Appearance : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;

    void showAppearancePage()
    {
        f->userSelectsPage(TfKorvant::PageAdmin);
        f->window->pageControl3()->setCurrentIndex(TfKorvant::AdminAppearance);
    }

    QListWidget *list() { return f->control<QListWidget>(u"ListBox1"_s); }

private Q_SLOTS:
    // A desktop theme's colours, as a platform theme would give them before the first window.
    void initTestCase() { QApplication::setPalette(QPalette(QColor(0x3A6EA5))); }

    void windowsBringsBackTheDesktopThemesColours()
    {
        const QPalette theme = QApplication::palette();
        f = std::make_unique<WindowFixture>();
        QVERIFY(Appearance::activateStyle(u"Carbon"_s));
        QVERIFY(QApplication::palette().color(QPalette::Button) != theme.color(QPalette::Button));
        QVERIFY(Appearance::activateStyle(u"Windows"_s));
        for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base,
                                QPalette::Highlight, QPalette::Text}) {
            QCOMPARE(QApplication::palette().color(role), theme.color(role));
        }
    }

    void cleanup()
    {
        f.reset();
        Appearance::activateStyle(u"Windows"_s);
    }

    void theListIsBuiltAfreshEachTimeThePageShows()
    {
        f = std::make_unique<WindowFixture>();
        f->window->show();
        showAppearancePage();
        QCOMPARE(list()->count(), 28);
        QCOMPARE(list()->item(0)->text(), u"Windows"_s);
        f->window->pageControl3()->setCurrentIndex(TfKorvant::AdminReadMe);
        showAppearancePage();
        QCOMPARE(list()->count(), 28);
        QCOMPARE(f->control<QLabel>(u"stCurrentStyle"_s)->text(), u"Windows"_s);
        QCOMPARE(f->control<QPlainTextEdit>(u"Memo1"_s)->toPlainText().count(u'\n'), 2);
    }

    void aStoredNameInAnotherCaseActivatesTheStyleAndIsKeptAsWritten()
    {
        f = std::make_unique<WindowFixture>(QJsonObject{{u"StyleVSF"_s, u"carbon"_s}});
        QCOMPARE(Appearance::activeStyleName(), u"Carbon"_s);
        QVERIFY(f->messages.boxes.isEmpty());
        QCOMPARE(f->window->state().CurrentStyleName, u"carbon"_s);
    }

    void anUnknownNameKeepsThePlatformLook()
    {
        f = std::make_unique<WindowFixture>(QJsonObject{{u"StyleVSF"_s, u"Velvet"_s}});
        QCOMPARE(f->messages.texts(), QStringList{u"Style 'Velvet' not found"_s});
        QCOMPARE(Appearance::activeStyleName(), u"Windows"_s);
        QCOMPARE(f->window->state().CurrentStyleName, u"Velvet"_s);
    }

    void doubleClickActivatesTheSelectedStyle()
    {
        f = std::make_unique<WindowFixture>();
        f->window->show();
        showAppearancePage();
        QWidget *area = list()->viewport();
        QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(5, area->height() - 3));
        QCOMPARE(f->messages.texts(), QStringList{u"List index out of bounds (-1)"_s});
        QCOMPARE(Appearance::activeStyleName(), u"Windows"_s);

        const int obsidian = int(Appearance::styleNames().indexOf(u"Obsidian"_s));
        list()->setCurrentRow(obsidian);
        QTest::mouseDClick(area, Qt::LeftButton, {},
                           list()->visualItemRect(list()->item(obsidian)).center());
        QCOMPARE(Appearance::activeStyleName(), u"Obsidian"_s);
        QCOMPARE(f->window->state().CurrentStyleName, u"Obsidian"_s);
        QCOMPARE(f->control<QLabel>(u"stCurrentStyle"_s)->text(), u"Windows"_s);

        // A right double-click is no choice; a current item without selection is no item.
        f->messages.boxes.clear();
        const int carbon = int(Appearance::styleNames().indexOf(u"Carbon"_s));
        const QPoint onCarbon = list()->visualItemRect(list()->item(carbon)).center();
        list()->setCurrentRow(carbon);
        QTest::mouseDClick(area, Qt::RightButton, {}, onCarbon);
        QCOMPARE(Appearance::activeStyleName(), u"Obsidian"_s);
        QVERIFY(f->messages.boxes.isEmpty());
        list()->item(carbon)->setSelected(false);
        QVERIFY(list()->currentItem());
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, onCarbon, area->mapToGlobal(onCarbon),
                                Qt::LeftButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(area, &doubleClick);
        QCOMPARE(f->messages.texts(), QStringList{u"List index out of bounds (-1)"_s});
        QCOMPARE(Appearance::activeStyleName(), u"Obsidian"_s);
    }

    void everyStyleLooksDifferentAndKeepsStateColoursReadable()
    {
        f = std::make_unique<WindowFixture>();
        f->connect(); // yellow memos
        f->window->resize(900, 600);
        f->window->show();
        QSet<QByteArray> looks;
        for (const QString &name : Appearance::styleNames()) {
            QVERIFY(Appearance::activateStyle(name));
            QApplication::processEvents();
            const QImage shot = f->window->grab().toImage();
            looks.insert(QCryptographicHash::hash(
                QByteArrayView(shot.constBits(), shot.sizeInBytes()), QCryptographicHash::Md5));
            const QPalette memo = f->control<QPlainTextEdit>(u"Memo"_s)->palette();
            QCOMPARE(memo.color(QPalette::Base), QColor(Qt::yellow));
            QCOMPARE(memo.color(QPalette::Text), QColor(Qt::black));
        }
        QCOMPARE(looks.size(), Appearance::styleNames().size());
    }
};

QTEST_MAIN(tst_Appearance)
#include "tst_appearance.moc"
