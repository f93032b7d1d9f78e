// QR codes read back by a real reader (zbarimg), so a picture that only looks right fails.
#include "support/qrreader.h"
#include "ui/qrcode.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_QrCode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsBackAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("scale");
        QTest::newRow("page-address") << u"http://192.168.1.20:12080/#code=40417233"_s << 4;
        QTest::newRow("small-modules") << u"http://10.0.0.7:12080/"_s << 2;
        QTest::newRow("not-ascii") << u"Gleis 3 – Weiche ä"_s << 3;
        QTest::newRow("long") << QString(1200, u'x') << 2;
    }

    void readsBackAsWritten()
    {
        QFETCH(QString, text);
        QFETCH(int, scale);
        const QImage picture = QrCode::image(text, scale);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.width(), picture.height());
        // The quiet zone: four modules of white on every side.
        QCOMPARE(picture.pixel(4 * scale - 1, 4 * scale - 1), qRgb(255, 255, 255));
        QCOMPARE(picture.pixel(4 * scale, 4 * scale), qRgb(0, 0, 0));
        QCOMPARE(readQrCode(picture), text);
    }

    void whatDoesNotFitGivesNoPicture_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("scale");
        // Version 40 at level M holds 2331 bytes.
        QTest::newRow("too-long") << QString(2332, u'x') << 4;
        QTest::newRow("no-scale") << u"http://10.0.0.7:12080/"_s << 0;
    }

    void whatDoesNotFitGivesNoPicture()
    {
        QFETCH(QString, text);
        QFETCH(int, scale);
        QVERIFY(QrCode::image(text, scale).isNull());
    }
};

QTEST_MAIN(tst_QrCode)
#include "tst_qrcode.moc"
