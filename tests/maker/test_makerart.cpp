#include "maker/MakerArt.h"

#include <QImage>
#include <QSet>
#include <QTest>

namespace {

QImage argb(const QIcon& icon, QSize size) {
    return icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Widths of the painted runs, row by row, empty rows left out.
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
    // Real pictures, each its own: a good part painted, in several colours, the corner left open.
    void sixteenPixelPictures() {
        QSet<QByteArray> seen;
        for (const QString key :
             {"Loop", "Shuffle", "Message", "Clear", "Load", "Save", "Preview", "music"}) {
            const QIcon icon = key == "music" ? makerart::musicPicture() : makerart::toolbarPicture(key);
            const QImage image = argb(icon, QSize(16, 16));
            QCOMPARE(image.size(), QSize(16, 16));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QSet<QRgb> colours;
            int painted = 0;
            for (int i = 0; i < 256; ++i) {
                colours.insert(image.pixel(i % 16, i / 16));
                painted += qAlpha(image.pixel(i % 16, i / 16)) > 128 ? 1 : 0;
            }
            QVERIFY2(painted > 30 && colours.size() > 5, qPrintable(key));
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 8);
        QVERIFY(makerart::toolbarPicture("loop").isNull() && makerart::toolbarPixmap("").isNull());
    }

    // Four rows, one pixel wider each towards the base, in the colour asked for.
    void arrowsPointTheirWay() {
        const QImage up = argb(makerart::upArrow(), makerart::arrowSize());
        const QImage down = argb(makerart::downArrow(Qt::red), makerart::arrowSize());
        QCOMPARE(rowWidths(up), QList<int>({1, 3, 5, 7}));
        QCOMPARE(rowWidths(down), QList<int>({7, 5, 3, 1}));
        QCOMPARE(up.pixelColor(4, 4), QColor(Qt::black));
        QCOMPARE(down.pixelColor(4, 4), QColor(Qt::red));
    }

    void dragCursorCarriesAnEntry() {
        const QCursor cursor = makerart::dragCursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(1, 1));
        const QImage image = makerart::dragCursorPixmap().toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(qAlpha(image.pixel(2, 4)), 255); // the pointer below its tip
        QCOMPARE(qAlpha(image.pixel(31, 0)), 0);
        QVERIFY(qAlpha(image.pixel(20, 21)) > 128); // the carried entry
        // At scale 2, the same pointer at twice the pixels, its tip still the hot spot.
        const QCursor scaled = makerart::dragCursor(2);
        QCOMPARE(scaled.pixmap().size(), QSize(64, 64));
        QCOMPARE(scaled.pixmap().deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(scaled.hotSpot(), QPoint(1, 1));
        const QImage twice = scaled.pixmap().toImage();
        QCOMPARE(qAlpha(twice.pixel(4, 8)), 255);
        QVERIFY(qAlpha(twice.pixel(40, 42)) > 128);
    }
};

QTEST_MAIN(TestMakerArt)
#include "test_makerart.moc"
