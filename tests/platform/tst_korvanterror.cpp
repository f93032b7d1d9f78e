#include "platform/korvanterror.h"

#include <QTest>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

// No failure may cross the event loop or leave a thread: whatever an action throws becomes a
// text the user can be shown.
class tst_KorvantError : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failureOfGivesAnyFailuresText_data()
    {
        QTest::addColumn<int>("thrown");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0 << QString();
        QTest::newRow("operation-failure") << 1 << u"Select a ComPort first!"_s;
        QTest::newRow("library-failure") << 2 << u"bad optional access"_s;
        QTest::newRow("anything-else") << 3 << u"Unknown failure"_s;
        QTest::newRow("failure-without-text") << 4 << u"Unknown failure"_s;
    }

    void failureOfGivesAnyFailuresText()
    {
        QFETCH(int, thrown);
        QFETCH(QString, text);
        const QString failure = failureOf([thrown] {
            switch (thrown) {
            case 1:
                throw KorvantError(u"Select a ComPort first!"_s);
            case 2:
                throw std::runtime_error("bad optional access");
            case 3:
                throw 42;
            case 4:
                throw KorvantError(QString());
            }
        });
        QCOMPARE(failure, text);
    }
};

QTEST_GUILESS_MAIN(tst_KorvantError)
#include "tst_korvanterror.moc"
