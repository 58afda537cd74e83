#include "maker/MakerArt.h"

#include <QImage>
#include <QSet>
#include <QTest>

namespace {

const QStringList keys = {"Loop", "Shuffle", "Message", "Clear", "Load", "Save", "Preview"};

QImage argb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

int opaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return n;
}

int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

// Widths of the opaque runs, row by row, skipping empty rows.
QList<int> rowWidths(const QImage& image) {
    QList<int> widths;
    for (int y = 0; y < image.height(); ++y) {
        int w = 0;
        for (int x = 0; x < image.width(); ++x)
            w += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        if (w > 0)
            widths << w;
    }
    return widths;
}

} // namespace

class TestMakerArt : public QObject {
    Q_OBJECT

private slots:
    void toolbarPicturesAreRealSixteenPixelPictures_data() {
        QTest::addColumn<QString>("key");
        for (const QString& key : keys)
            QTest::newRow(qPrintable(key)) << key;
    }

    void toolbarPicturesAreRealSixteenPixelPictures() {
        QFETCH(QString, key);
        const QIcon icon = makerart::toolbarPicture(key);
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        const QImage image = argb(icon.pixmap(QSize(16, 16)));
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QVERIFY2(opaquePixels(image) > 50, qPrintable(QString::number(opaquePixels(image))));
        QVERIFY(distinctColours(image) > 6);
        QCOMPARE(makerart::toolbarPixmap(key, 32).size(), QSize(32, 32));
    }

    void everyCommandHasItsOwnPicture() {
        QSet<QByteArray> seen;
        for (const QString& key : keys) {
            const QImage image = argb(makerart::toolbarPixmap(key));
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(seen.size(), keys.size());
        QVERIFY(makerart::toolbarPicture("loop").isNull());
        QVERIFY(makerart::toolbarPicture("").isNull());
        QVERIFY(makerart::toolbarPixmap("Separator").isNull());
    }

    void musicPictureIsDarkNotes() {
        const QImage image = argb(makerart::musicPicture().pixmap(QSize(16, 16)));
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY(opaquePixels(image) > 30);
        QVERIFY(qGray(image.pixel(4, 12)) < 100);
    }

    // Four rows, one pixel wider each towards the base: up points up, down is its mirror image.
    void arrowsPointTheirWay() {
        QCOMPARE(makerart::arrowSize(), QSize(9, 9));
        const QImage up = argb(makerart::upArrow().pixmap(makerart::arrowSize()));
        const QImage down = argb(makerart::downArrow().pixmap(makerart::arrowSize()));
        QCOMPARE(rowWidths(up), QList<int>({1, 3, 5, 7}));
        QCOMPARE(rowWidths(down), QList<int>({7, 5, 3, 1}));
        QCOMPARE(down, up.mirrored(false, true));
        QCOMPARE(up.pixelColor(4, 4), QColor(Qt::black));
        const QImage red = argb(makerart::upArrow(Qt::red).pixmap(makerart::arrowSize()));
        QCOMPARE(red.pixelColor(4, 5), QColor(Qt::red));
    }

    void dragCursorCarriesAnEntry() {
        const QCursor cursor = makerart::dragCursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(1, 1));
        const QImage image = argb(makerart::dragCursorPixmap());
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(qAlpha(image.pixel(2, 4)) == 255);  // the pointer just below its tip
        QCOMPARE(qAlpha(image.pixel(31, 0)), 0);    // open corner
        QVERIFY(qAlpha(image.pixel(20, 21)) > 128); // the carried entry
    }
};

QTEST_MAIN(TestMakerArt)
#include "test_makerart.moc"
