// The barcode layer: which texts give a barcode, the picture's bars and size, and pictures
// that an independent reader decodes.
#include "platform/Barcode.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace pellix;

namespace {

// The columns of a one-pixel-high scan line through the picture: true for black.
QList<bool> scanLine(const QImage& image, int y) {
    QList<bool> out;
    for (int x = 0; x < image.width(); ++x) out << (qGray(image.pixel(x, y)) < 128);
    return out;
}

}  // namespace

class tst_barcode : public QObject {
    Q_OBJECT

  private slots:
    void validation_data();
    void validation();
    void pictureGeometry_data();
    void pictureGeometry();
    void decodesWithIndependentReader_data();
    void decodesWithIndependentReader();
    void barsSnapToWholePixels();
    void copyClearsSlotForInvalidText();
    void displayDrawsAtPosition();
};

void tst_barcode::validation_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("digits");  // empty: no barcode
    QTest::newRow("12 digits get their check digit")
        << QByteArray("JAN-490123456789") << QByteArray("4901234567894");
    QTest::newRow("13 digits, right check digit")
        << QByteArray("JAN-4901234567894") << QByteArray("4901234567894");
    QTest::newRow("13 digits, check digit 0")
        << QByteArray("JAN-4512345678920") << QByteArray("4512345678920");
    QTest::newRow("13 digits, wrong check digit")
        << QByteArray("JAN-4901234567890") << QByteArray();
    QTest::newRow("7 digits get their check digit")
        << QByteArray("JAN-4567890") << QByteArray("45678905");
    QTest::newRow("8 digits, right check digit")
        << QByteArray("JAN-45678905") << QByteArray("45678905");
    QTest::newRow("8 digits, wrong check digit") << QByteArray("JAN-45678901") << QByteArray();
    QTest::newRow("11 digits") << QByteArray("JAN-49012345678") << QByteArray();
    QTest::newRow("14 digits") << QByteArray("JAN-49012345678945") << QByteArray();
    QTest::newRow("letters") << QByteArray("JAN-49012345678A") << QByteArray();
    QTest::newRow("blank inside") << QByteArray("JAN-4901234 67894") << QByteArray();
    QTest::newRow("empty value") << QByteArray("JAN-") << QByteArray();
    QTest::newRow("no prefix") << QByteArray("4901234567894") << QByteArray();
    QTest::newRow("other prefix") << QByteArray("EAN-4901234567894") << QByteArray();
}

void tst_barcode::validation() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, digits);
    const auto got = platform::janDigits(text);
    QCOMPARE(got.value_or(QByteArray()), digits);
    const auto picture = platform::encodeBarcode(text, 5, 25, 1);
    QCOMPARE(picture.has_value(), !digits.isEmpty());
    if (picture) QCOMPARE(picture->digits, digits);
}

void tst_barcode::pictureGeometry_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("p1");
    QTest::addColumn<int>("p2");
    QTest::addColumn<int>("p3");
    QTest::addColumn<int>("modules");
    QTest::addColumn<double>("firstBar");
    QTest::addColumn<int>("bars");
    QTest::addColumn<QSizeF>("size");  // natural size in pixels at 96 dpi
    QTest::newRow("EAN-13, print values")
        << QByteArray("JAN-4901234567894") << 5 << 25 << 1 << 113 << 11.0 << 30 << QSizeF(565, 25);
    QTest::newRow("EAN-13, bars alone")
        << QByteArray("JAN-4901234567894") << 2 << 40 << 0 << 95 << 0.0 << 30 << QSizeF(190, 40);
    QTest::newRow("EAN-8") << QByteArray("JAN-4567890") << 3 << 30 << 1 << 81 << 7.0 << 22
                           << QSizeF(243, 30);
    QTest::newRow("all zero (preview before a run)")
        << QByteArray("JAN-123456789012") << 0 << 0 << 0 << 95 << 0.0 << 30 << QSizeF(95, 50);
}

void tst_barcode::pictureGeometry() {
    QFETCH(QByteArray, text);
    QFETCH(int, p1);
    QFETCH(int, p2);
    QFETCH(int, p3);
    QFETCH(int, modules);
    QFETCH(double, firstBar);
    QFETCH(int, bars);
    QFETCH(QSizeF, size);
    const auto picture =
        platform::encodeBarcode(text, std::int16_t(p1), std::int16_t(p2), std::int16_t(p3));
    QVERIFY(picture);
    QCOMPARE(picture->modules, modules);
    QCOMPARE(picture->bars.size(), bars);
    QCOMPARE(picture->bars.first().x, firstBar);
    // The right quiet zone (7 modules) follows the last bar when kept.
    const auto& last = picture->bars.last();
    QCOMPARE(picture->modules - (last.x + last.width), p3 ? 7.0 : 0.0);
    QCOMPARE(picture->naturalSize(), size);
}

void tst_barcode::decodesWithIndependentReader_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<double>("pixelsPerModule");
    QTest::newRow("EAN-13, 3 px") << QByteArray("JAN-4901234567894")
                                  << QStringLiteral("EAN-13:4901234567894") << 3.0;
    QTest::newRow("EAN-13, 2.37 px")
        << QByteArray("JAN-490123456789") << QStringLiteral("EAN-13:4901234567894") << 2.37;
    QTest::newRow("EAN-13, sample")
        << QByteArray("JAN-123456789012") << QStringLiteral("EAN-13:1234567890128") << 2.0;
    QTest::newRow("EAN-8") << QByteArray("JAN-4567890") << QStringLiteral("EAN-8:45678905") << 3.0;
}

void tst_barcode::decodesWithIndependentReader() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QFETCH(double, pixelsPerModule);
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    QVERIFY2(!zbarimg.isEmpty(), "zbarimg is needed");
    const auto picture = platform::encodeBarcode(text, 5, 25, 1);
    QVERIFY(picture);
    const double width = picture->modules * pixelsPerModule;
    QImage image(int(width) + 40, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        picture->paint(p, QRectF(20.4, 20, width, 80));
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/code.png");
    QVERIFY(image.save(file));
    QProcess zbar;
    zbar.start(zbarimg, {QStringLiteral("-q"), file});
    QVERIFY(zbar.waitForFinished(30000));
    QCOMPARE(QString::fromLatin1(zbar.readAllStandardOutput()).trimmed(), expected);
}

void tst_barcode::barsSnapToWholePixels() {
    const auto picture = platform::encodeBarcode("JAN-4901234567894", 5, 25, 1);
    QVERIFY(picture);
    QImage image(300, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);  // the bars switch it off themselves
        picture->paint(p, QRectF(10.3, 10.4, 250.7, 30.2));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            QVERIFY2(g == 0 || g == 255, qPrintable(QStringLiteral("grey at %1,%2").arg(x).arg(y)));
        }
    // Bars span whole rows from 10.4 rounded to 40.6 rounded, and nothing else.
    QVERIFY(!scanLine(image, 9).contains(true));
    QVERIFY(scanLine(image, 10).contains(true));
    QVERIFY(scanLine(image, 40).contains(true));
    QVERIFY(!scanLine(image, 41).contains(true));
    // The first bar begins after the left quiet zone: 11 of 113 modules of 250.7 pixels.
    QCOMPARE(scanLine(image, 20).indexOf(true), int(std::lround(10.3 + 11 * 250.7 / 113)));
}

void tst_barcode::copyClearsSlotForInvalidText() {
    platform::PictureSlot slot;
    QCOMPARE(platform::BarcodeCopy("JAN-4901234567894", 5, 25, 1, slot), 1);
    QVERIFY(slot.hasPicture());
    QCOMPARE(slot.picture->digits, QByteArray("4901234567894"));
    QCOMPARE(platform::BarcodeCopy("JAN-4901234567890", 5, 25, 1, slot), 0);
    QVERIFY(!slot.hasPicture());
    QCOMPARE(platform::BarcodeCopy("JAN-45678905", 5, 25, 1, slot), 1);
    QCOMPARE(slot.picture->digits, QByteArray("45678905"));
}

void tst_barcode::displayDrawsAtPosition() {
    QImage image(400, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        QCOMPARE(platform::BarcodeDisplay2("JAN-123456789012", 7, 9, 2, 30, 1, p), std::int16_t(1));
        QCOMPARE(platform::BarcodeDisplay2("JAN-12345", 0, 0, 2, 30, 1, p), std::int16_t(0));
    }
    QCOMPARE(scanLine(image, 20).indexOf(true), 7 + 11 * 2);
    QVERIFY(!scanLine(image, 8).contains(true));
    QVERIFY(scanLine(image, 9).contains(true));
    QVERIFY(scanLine(image, 38).contains(true));
    QVERIFY(!scanLine(image, 39).contains(true));
    QCOMPARE(scanLine(image, 20).lastIndexOf(true), 7 + (113 - 7) * 2 - 1);
}

QTEST_MAIN(tst_barcode)
#include "tst_barcode.moc"
