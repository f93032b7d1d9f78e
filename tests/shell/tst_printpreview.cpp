#include "support/windowfixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

// "View / Print" on the turnout and CV pages opens the sheet in a maximised preview.
class tst_PrintPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachPageOpensItsSheet_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("button");
        QTest::newRow("decoder") << int(TfKorvant::PageTurnoutDecoder) << u"bbPrintTurnout"_s;
        QTest::newRow("encoder") << int(TfKorvant::PageTurnoutEncoder) << u"BitBtn1"_s;
        QTest::newRow("cv") << int(TfKorvant::PageCVProgramming) << u"bbPrintCVSequence"_s;
    }

    void eachPageOpensItsSheet()
    {
        QFETCH(int, page);
        QFETCH(QString, button);
        WindowFixture f;
        f.control<QCheckBox>(u"CheckBox29"_s)->setChecked(true); // encoder row C
        f.control<QLineEdit>(u"Edit3"_s)->setText(u"05/07|"_s);
        f.userSelectsPage(page);
        QString seenCaption;
        bool maximised = false;
        int pages = 0;
        QTimer::singleShot(0, qApp, [&] {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            if (!preview)
                return;
            seenCaption = preview->windowTitle();
            maximised = preview->windowState() & Qt::WindowMaximized;
            if (auto *view = preview->findChild<QPrintPreviewWidget *>())
                pages = view->pageCount();
            preview->reject();
        });
        f.control<QAbstractButton>(button)->click();
        // Both sheets have always been previewed and printed under this one title.
        QCOMPARE(seenCaption, u"Turnout Printout"_s);
        QVERIFY(maximised);
        QCOMPARE(pages, 1);
        QVERIFY(f.messages.boxes.isEmpty());
    }
};

QTEST_MAIN(tst_PrintPreview)
#include "tst_printpreview.moc"
