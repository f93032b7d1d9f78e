#include "cv/cventriesview.h"
#include "cv/cvprogrammingpage.h"
#include "cv/cvselection.h"
#include "cv/cvsequence.h"
#include "link/stationwire.h"
#include "support/windowfixture.h"
#include "ui/colours.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Incompatible = u"Incompatible data - Check tab position!"_s;

QString zeroSequence()
{
    return CvSequence::text({});
}

// The memo's text as it would be stored or sent, CR LF between lines.
QString memoText(QPlainTextEdit *memo)
{
    return memo->toPlainText().replace(u'\n', u"\r\n"_s);
}

} // namespace

// The CV Programming page in the real window: its entries, the selection options and the
// stored default, and the station's reports arriving over a pseudo-terminal.
class tst_CvPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;

    CvProgrammingPage *page() { return f->window->findChild<CvProgrammingPage *>(); }
    QCheckBox *box(int cv) { return f->control<QCheckBox>(u"CheckBox%1"_s.arg(cv + 58)); }
    QLineEdit *edit(int cv) { return f->control<QLineEdit>(u"Edit%1"_s.arg(cv + 32)); }
    QPlainTextEdit *memo() { return f->control<QPlainTextEdit>(u"mMemoCV"_s); }
    RadioGroup *optionGroup() { return f->control<RadioGroup>(u"rgCvSelect"_s); }

    void pickOption(int index) { optionGroup()->findChildren<QRadioButton *>().at(index)->click(); }
    void click(const QString &button) { f->control<QAbstractButton>(button)->click(); }

    // The CVs whose boxes are in the given state, read from the widgets.
    QList<int> cvsIn(Qt::CheckState state)
    {
        QList<int> cvs;
        for (int cv = 1; cv <= 255; ++cv) {
            if (box(cv)->checkState() == state)
                cvs.append(cv);
        }
        return cvs;
    }
    QStringList values()
    {
        QStringList texts;
        for (int cv = 1; cv <= 255; ++cv)
            texts.append(edit(cv)->text());
        return texts;
    }
    QList<int> cvsWithValues()
    {
        QList<int> cvs;
        for (int cv = 1; cv <= 255; ++cv) {
            if (!edit(cv)->text().isEmpty())
                cvs.append(cv);
        }
        return cvs;
    }

    void startWindow(const QJsonObject &settings = {})
    {
        f = std::make_unique<WindowFixture>(settings);
        f->userSelectsPage(TfKorvant::PageCVProgramming);
    }

    void sendReports(const QByteArray &bytes) { QVERIFY(f->pty.write(bytes)); }

    // A user's selection with a typed value and a read-back mark in it.
    void selectSomeWithValues()
    {
        QTest::mouseClick(box(3), Qt::LeftButton);
        QTest::mouseClick(box(200), Qt::LeftButton);
        page()->ShowCVReceived(u"C1D=06"_s);
        QTest::keyClicks(edit(100), u"12"_s);
    }

private Q_SLOTS:
    void cleanup() { f.reset(); }

    void theEntriesAreNamedCaptionedAndTagged()
    {
        startWindow();
        QList<QObject *> tagged;
        for (QWidget *w : f->window->findChildren<QWidget *>()) {
            if (w->property("Tag").toInt() == 255)
                tagged.append(w);
        }
        QCOMPARE(tagged.size(), 510);
        for (int cv = 1; cv <= 255; ++cv) {
            QVERIFY(tagged.contains(box(cv)));
            QVERIFY(tagged.contains(edit(cv)));
            QCOMPARE(box(cv)->text(), u"CV"_s + QString::number(cv));
            QVERIFY(box(cv)->isTristate());
            QCOMPARE(box(cv)->checkState(), Qt::Unchecked);
            QVERIFY(edit(cv)->text().isEmpty());
        }
        for (int n = 53; n <= 58; ++n)
            QVERIFY(!f->window->findChild<QWidget *>(u"CheckBox%1"_s.arg(n)));
        for (int n = 27; n <= 32; ++n)
            QVERIFY(!f->window->findChild<QWidget *>(u"Edit%1"_s.arg(n)));
    }

    void eachCvIsOnItsSubPage_data()
    {
        QTest::addColumn<int>("cv");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("panel");
        QTest::newRow("cv1") << 1 << u"TabCVPage1"_s << u"Panel8"_s;
        QTest::newRow("cv64") << 64 << u"TabCVPage1"_s << u"Panel8"_s;
        QTest::newRow("cv65") << 65 << u"TabCVPage2"_s << u"Panel11"_s;
        QTest::newRow("cv172") << 172 << u"TabCVPage2"_s << u"Panel11"_s;
        QTest::newRow("cv173") << 173 << u"TabCvPage3"_s << u"Panel12"_s;
        QTest::newRow("cv255") << 255 << u"TabCvPage3"_s << u"Panel12"_s;
    }

    void eachCvIsOnItsSubPage()
    {
        QFETCH(int, cv);
        QFETCH(QString, sheet);
        QFETCH(QString, panel);
        startWindow();
        f->window->show();
        auto *pages = f->control<QTabWidget>(u"PageControl2"_s);
        QWidget *sheetWidget = f->control<QWidget>(sheet);
        QVERIFY(sheetWidget->isAncestorOf(box(cv)));
        QVERIFY(f->control<QWidget>(panel)->isAncestorOf(edit(cv)));
        pages->setCurrentWidget(sheetWidget);
        QTRY_VERIFY(edit(cv)->isVisible());
        // The value stands right of its box, on the same line.
        const QRect boxRect(box(cv)->mapTo(f->window.get(), QPoint()), box(cv)->size());
        const QRect editRect(edit(cv)->mapTo(f->window.get(), QPoint()), edit(cv)->size());
        QVERIFY(editRect.left() >= boxRect.right());
        QVERIFY(editRect.top() < boxRect.center().y() && boxRect.center().y() < editRect.bottom());
    }

    void theFirstSubPageHoldsTheOtherControls()
    {
        startWindow();
        auto *pages = f->control<QTabWidget>(u"PageControl2"_s);
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(pages->tabText(0), u"CV Programming Page 1"_s);
        QCOMPARE(pages->tabText(2), u"CV Programming Page 3"_s);
        QWidget *panel = f->control<QWidget>(u"Panel8"_s);
        const QList<std::pair<QString, QString>> captions{
            {u"BitBtn4"_s, u"&Save as Default"_s},
            {u"bbClearAllCV"_s, u"&Clear All"_s},
            {u"sbUploadCV"_s, u"&Start Upload"_s},
            {u"sbCancelUploadCV"_s, u"&Cancel Upload"_s},
            {u"bbPrintCVSequence"_s, u"View / Print"_s},
        };
        for (const auto &[name, caption] : captions) {
            QVERIFY2(panel->isAncestorOf(f->control<QWidget>(name)), qPrintable(name));
            QCOMPARE(f->control<QAbstractButton>(name)->text(), caption);
        }
        QCOMPARE(f->control<QLabel>(u"StaticText10"_s)->text(),
                 u"Configuration variable Registers  CV1 - CV255"_s);
        QCOMPARE(optionGroup()->title(), u" CV Selection Option "_s);
        QStringList items;
        for (QRadioButton *radio : optionGroup()->findChildren<QRadioButton *>())
            items.append(radio->text());
        QCOMPARE(items, (QStringList{u"Custom"_s, u"Default"_s, u"Select Alll"_s}));
        QCOMPARE(optionGroup()->itemIndex(), 0);
        QVERIFY(memo()->toPlainText().isEmpty());
        QCOMPARE(Colours::background(memo()), Colours::Silver);
        QVERIFY(!f->control<QWidget>(u"sbUploadCV"_s)->isEnabled());
        QVERIFY(!f->control<QWidget>(u"sbCancelUploadCV"_s)->isEnabled());
        QVERIFY(!f->control<QProgressBar>(u"Gauge3"_s)->isTextVisible());
        QCOMPARE(f->control<QProgressBar>(u"Gauge3"_s)->value(), 0);
    }

    void aUserClickNeverGrays()
    {
        startWindow();
        f->window->show();
        QTest::mouseClick(box(5), Qt::LeftButton);
        QCOMPARE(box(5)->checkState(), Qt::Checked);
        QTest::mouseClick(box(5), Qt::LeftButton);
        QCOMPARE(box(5)->checkState(), Qt::Unchecked);
        page()->ShowCVReceived(u"C05=2A"_s);
        QCOMPARE(box(5)->checkState(), Qt::PartiallyChecked);
        box(5)->click();
        QCOMPARE(box(5)->checkState(), Qt::Checked);
        QCOMPARE(edit(5)->text(), u"42"_s);
        // Selecting by hand leaves the memo as it was.
        QVERIFY(memo()->toPlainText().isEmpty());
    }

    void selectionOptions_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::addColumn<int>("option");
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<bool>("valuesKept");
        QTest::addColumn<QString>("memo");

        const QString stored = CvSequence::text({7, 200});
        QTest::newRow("default-without-stored-value")
            << QJsonObject{} << 1 << QList<int>{1, 2, 3, 4, 5, 29} << false << QString();
        QTest::newRow("default-with-stored-value")
            << QJsonObject{{u"DefaultCV"_s, stored}} << 1 << QList<int>{7, 200} << false << stored;
        QList<int> all;
        for (int cv = 1; cv <= 255; ++cv)
            all.append(cv);
        QTest::newRow("select-alll-keeps-values")
            << QJsonObject{} << 2 << all << true << CvSequence::text(all);
    }

    void selectionOptions()
    {
        QFETCH(QJsonObject, settings);
        QFETCH(int, option);
        QFETCH(QList<int>, checked);
        QFETCH(bool, valuesKept);
        QFETCH(QString, memo);
        startWindow(settings);
        f->window->show();
        selectSomeWithValues();
        pickOption(option);
        QCOMPARE(optionGroup()->itemIndex(), option);
        QCOMPARE(cvsIn(Qt::Checked), checked);
        QCOMPARE(cvsIn(Qt::PartiallyChecked), QList<int>{});
        QCOMPARE(cvsWithValues(), valuesKept ? (QList<int>{29, 100}) : QList<int>{});
        QCOMPARE(memoText(this->memo()), memo);
        QVERIFY(f->messages.boxes.isEmpty());
    }

    void customAndClearAllEmptyEverything_data()
    {
        QTest::addColumn<int>("optionBefore");
        QTest::addColumn<QString>("action");
        QTest::newRow("custom-after-default") << 1 << u"custom"_s;
        QTest::newRow("clear-all-after-select-alll") << 2 << u"clear"_s;
        QTest::newRow("clear-all-while-custom") << 0 << u"clear"_s;
    }

    void customAndClearAllEmptyEverything()
    {
        QFETCH(int, optionBefore);
        QFETCH(QString, action);
        startWindow();
        f->window->show();
        pickOption(optionBefore);
        selectSomeWithValues();
        if (action == u"custom")
            pickOption(0);
        else
            click(u"bbClearAllCV"_s);
        QCOMPARE(optionGroup()->itemIndex(), 0);
        QCOMPARE(cvsIn(Qt::Unchecked).size(), 255);
        QCOMPARE(values(), QStringList(255, QString()));
        QCOMPARE(memoText(memo()), zeroSequence());
    }

    void pickingTheSelectedOptionAgainDoesNothing()
    {
        startWindow();
        f->window->show();
        pickOption(1);
        QTest::mouseClick(box(1), Qt::LeftButton); // unchecks CV1
        pickOption(1);
        optionGroup()->setItemIndex(1);
        QCOMPARE(cvsIn(Qt::Checked), (QList<int>{2, 3, 4, 5, 29}));
    }

    void saveThenDefaultRestoresTheSelection()
    {
        startWindow();
        f->window->show();
        selectSomeWithValues();
        click(u"BitBtn4"_s);
        const QString saved = CvSequence::text({3, 29, 200});
        QCOMPARE(memoText(memo()), saved); // the grayed CV29 is saved as selected
        pickOption(2);
        click(u"bbClearAllCV"_s);
        pickOption(1);
        QCOMPARE(cvsIn(Qt::Checked), (QList<int>{3, 29, 200}));
        QCOMPARE(memoText(memo()), saved);
        QVERIFY(f->messages.boxes.isEmpty());

        // The next run finds it: shut-down keeps the value, start-up does not apply it.
        f->window.reset();
        f->window = std::make_unique<TfKorvant>();
        f->userSelectsPage(TfKorvant::PageCVProgramming);
        QCOMPARE(cvsIn(Qt::Unchecked).size(), 255);
        QVERIFY(memo()->toPlainText().isEmpty());
        pickOption(1);
        QCOMPARE(cvsIn(Qt::Checked), (QList<int>{3, 29, 200}));
        QCOMPARE(memoText(memo()), saved);
    }

    void aDamagedStoredDefaultStopsAtTheBadPair_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("checked");
        QTest::newRow("not-hex") << QJsonValue(
                                        u":01,1D,G3,04,00,00,00,00,00,00,00,00,00,00,00,00\r\n"_s)
                                 << u"'$G3' is not a valid integer value"_s << QList<int>{1, 29};
        QTest::newRow("stored-as-integer")
            << QJsonValue(5) << u"Invalid data type for 'DefaultCV'"_s << QList<int>{};
    }

    void aDamagedStoredDefaultStopsAtTheBadPair()
    {
        QFETCH(QJsonValue, stored);
        QFETCH(QString, message);
        QFETCH(QList<int>, checked);
        startWindow(QJsonObject{{u"DefaultCV"_s, stored}});
        pickOption(1);
        QCOMPARE(f->messages.texts(), QStringList{message});
        QCOMPARE(cvsIn(Qt::Checked), checked);
    }

    void enterAddsNoLineToTheMemo()
    {
        startWindow();
        f->window->show();
        click(u"bbClearAllCV"_s);
        memo()->setFocus();
        QTest::keyClick(memo(), Qt::Key_Return);
        QTest::keyClick(memo(), Qt::Key_Enter);
        QCOMPARE(memoText(memo()), zeroSequence());
    }

    void reportsOverThePort_data()
    {
        // Several reports in one chunk: each ends at its "%", or at 10 characters without one.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("grayed");
        QTest::addColumn<QStringList>("shown"); // the values of the grayed CVs, in CV order
        QTest::addColumn<bool>("incompatible");

        const QByteArray turnoutLine = "$:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n%";
        QTest::newRow("lower-case-1d-value-FF")
            << QByteArray("$C1d=FF%") << QList<int>{29} << QStringList{u"255"_s} << false;
        QTest::newRow("several-at-once")
            << QByteArray("$C01=03\r\n%$C02=00\r\n%$CFF=80\r\n%") << QList<int>{1, 2, 255}
            << QStringList{u"3"_s, u"0"_s, u"128"_s} << false;
        // Shorter reports end at their "%": a cut at ten would swallow the next one's start.
        QTest::newRow("six-short-reports-in-one-chunk")
            << QByteArray("$C01=03%$C02=0C%$C03=18%$C04=1F%$C05=26%$C1D=06%")
            << QList<int>{1, 2, 3, 4, 5, 29}
            << QStringList{u"3"_s, u"12"_s, u"24"_s, u"31"_s, u"38"_s, u"6"_s} << false;
        QTest::newRow("cut-at-ten-characters")
            << QByteArray("$C0A=0B123$C05=07%") << QList<int>{5, 10} << QStringList{u"7"_s, u"11"_s}
            << false;
        QTest::newRow("later-report-overwrites") << QByteArray("$C1D=06\r\n%$C1D=0E\r\n%")
                                                 << QList<int>{29} << QStringList{u"14"_s} << false;
        QTest::newRow("unreadable-cv-ignored")
            << QByteArray("$CG1=01%") << QList<int>{} << QStringList{} << false;
        QTest::newRow("cv-zero-names-no-entry")
            << QByteArray("$C00=05%") << QList<int>{} << QStringList{} << true;
        QTest::newRow("turnout-lines-on-this-page-give-one-box")
            << turnoutLine + turnoutLine + turnoutLine + "$C03=01%" << QList<int>{3}
            << QStringList{u"1"_s} << true;
    }

    void reportsOverThePort()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, grayed);
        QFETCH(QStringList, shown);
        QFETCH(bool, incompatible);
        startWindow();
        f->connect();
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":X100"));
        sendReports(bytes);
        if (incompatible)
            QTRY_VERIFY_WITH_TIMEOUT(!f->messages.boxes.isEmpty(), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(cvsIn(Qt::PartiallyChecked), grayed, 3000);
        // The start of one more report behind them: once the framer holds it, every byte
        // before it was framed and handled.
        sendReports("$");
        const TComDataPacket &framer = f->window->packetFramer();
        QTRY_VERIFY_WITH_TIMEOUT(framer.isInPacket() && framer.bufferedText() == u"$"_s, 3000);
        QCOMPARE(f->messages.texts(), incompatible ? QStringList{Incompatible} : QStringList{});
        QCOMPARE(cvsIn(Qt::PartiallyChecked), grayed);
        QCOMPARE(cvsWithValues(), grayed);
        QStringList grayedValues;
        for (const int cv : std::as_const(grayed))
            grayedValues.append(edit(cv)->text());
        QCOMPARE(grayedValues, shown);
    }

    void reportsStillArriveOnAPageWithoutRoutingOfItsOwn()
    {
        startWindow();
        f->connect();
        f->userSelectsPage(TfKorvant::PageTurnoutDecoder);
        sendReports("$C1D=03%");
        QTRY_COMPARE_WITH_TIMEOUT(edit(29)->text(), u"3"_s, 3000);
    }

    // While an upload runs, the entries and everything that changes them are locked; the
    // report the station sent meanwhile is kept when the user cancels.
    void cancelKeepsTheReportsAlreadySentAndTheSelectionStaysLocked()
    {
        startWindow();
        f->connect();
        QCOMPARE(f->pty.readAvailable(5), QByteArray(":X100"));
        pickOption(CvProgrammingPage::OptionSelectAll);
        const QStringList locked = {u"rgCvSelect"_s,
                                    u"BitBtn4"_s,
                                    u"bbClearAllCV"_s,
                                    CvEntriesView::checkBoxName(1),
                                    CvEntriesView::editName(1),
                                    CvEntriesView::checkBoxName(255),
                                    CvEntriesView::editName(255)};
        QStringList enabledWhileUploading;
        auto *gauge = f->control<QProgressBar>(u"Gauge3"_s);
        connect(gauge, &QProgressBar::valueChanged, gauge, [&](int sent) {
            if (sent == 10) {
                sendReports("$C07=2A%");
                for (const QString &name : locked) {
                    if (f->control<QWidget>(name)->isEnabled())
                        enabledWhileUploading.append(name);
                }
            } else if (sent == 60) {
                click(u"sbCancelUploadCV"_s);
            }
        });
        click(u"sbUploadCV"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isUploading(), 5000);
        QCOMPARE(gauge->value(), 60);
        QCOMPARE(enabledWhileUploading, QStringList{});
        QTRY_COMPARE_WITH_TIMEOUT(cvsIn(Qt::PartiallyChecked), QList<int>{7}, 3000);
        QCOMPARE(edit(7)->text(), u"42"_s);
        for (const QString &name : locked)
            QVERIFY2(f->control<QWidget>(name)->isEnabled(), qPrintable(name));
    }

    // Boxes and values set by code are the selection as much as the user's clicks are.
    void entriesSetFromCodeAreTheSelection_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("value");
        QTest::newRow("setChecked") << u"check"_s << true << QString();
        QTest::newRow("setCheckState-grayed") << u"gray"_s << true << QString();
        QTest::newRow("unchecked-again") << u"check-uncheck"_s << false << QString();
        QTest::newRow("setText") << u"text"_s << false << u"17"_s;
    }

    void entriesSetFromCodeAreTheSelection()
    {
        QFETCH(QString, how);
        QFETCH(bool, selected);
        QFETCH(QString, value);
        startWindow();
        if (how.startsWith(u"check"_s))
            box(7)->setChecked(true);
        if (how == u"gray")
            box(7)->setCheckState(Qt::PartiallyChecked);
        if (how.endsWith(u"uncheck"_s))
            box(7)->setCheckState(Qt::Unchecked);
        if (how == u"text")
            edit(7)->setText(u"17"_s);
        page()->BuildCVSequence();
        QCOMPARE(memoText(memo()), CvSequence::text(selected ? QList<int>{7} : QList<int>{}));
        QCOMPARE(page()->selection().entry(7).value, value); // what the CV sheet prints
    }

    void uploadOnAPortThatWillNotOpen()
    {
        startWindow(QJsonObject{{u"Port"_s, u"/nonexistent/ttyNone"_s}});
        page()->sbUploadCVClick();
        QCOMPARE(
            f->messages.texts(),
            QStringList{u"Unable to open the Com port - Please select a valid comport first!"_s});
        QVERIFY(!page()->isUploading());
        QVERIFY(!f->control<QWidget>(u"sbCancelUploadCV"_s)->isEnabled());
        QCOMPARE(memoText(memo()), zeroSequence());
    }
};

QTEST_MAIN(tst_CvPage)
#include "tst_cvpage.moc"
