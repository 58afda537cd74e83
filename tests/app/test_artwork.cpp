#include "app/Artwork.h"

#include <QImage>
#include <QSet>
#include <QTest>

#include <functional>

namespace {

QImage argb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

int count(const QImage& image, const std::function<bool(QColor)>& wanted) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += wanted(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

bool opaque(QColor c) {
    return c.alpha() == 255;
}
bool white(QColor c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void iconsAreDrawnOnATransparentSquare_data() {
        QTest::addColumn<QPixmap>("icon");
        QTest::newRow("folder") << artwork::folderIcon();
        QTest::newRow("make") << artwork::makeIcon();
        QTest::newRow("open") << artwork::openIcon();
        QTest::newRow("about") << artwork::aboutIcon();
        QTest::newRow("projector") << artwork::projectorIcon();
    }

    void iconsAreDrawnOnATransparentSquare() {
        QFETCH(QPixmap, icon);
        QCOMPARE(icon.size(), QSize(32, 32));
        const QImage image = argb(icon);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        // A real picture: a good part covered, in shades rather than one flat colour.
        QVERIFY(count(image, opaque) > 200);
        QVERIFY(distinctColours(image) > 12);
    }

    void picturesShowWhatTheyAreMeantTo() {
        const QImage folder = argb(artwork::folderIcon());
        QVERIFY(count(folder, [](QColor c) {
                    return opaque(c) && c.red() > 200 && c.green() > 130 && c.blue() < 120;
                }) > 200);

        const QImage about = argb(artwork::aboutIcon());
        QVERIFY(white(about.pixelColor(16, 20)));
        QVERIFY(count(about, [](QColor c) { return opaque(c) && c.blue() > c.red() + 60; }) > 300);

        // The open icon's page stands behind its folder: both must show.
        const QImage open = argb(artwork::openIcon());
        QVERIFY(count(open, [](QColor c) { return opaque(c) && c.red() > 200 && c.blue() < 120; }) > 80);
        QVERIFY(count(open, [](QColor c) { return opaque(c) && white(c); }) > 20);
    }

    void projectorScalesToEverySize() {
        const QPixmap large = artwork::projectorIcon(128);
        QCOMPARE(large.size(), QSize(128, 128));
        // Same drawing, just bigger: about sixteen times the covered area of the small one.
        const int small = count(argb(artwork::projectorIcon(32)), opaque);
        const int big = count(argb(large), opaque);
        QVERIFY2(big > small * 12 && big < small * 20,
                 qPrintable(QStringLiteral("%1 / %2").arg(big).arg(small)));

        const QIcon icon = artwork::programIcon();
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
    }

    void bannerHasOutlinedWhiteLettersOnBlack() {
        const QImage image = argb(artwork::banner());
        QCOMPARE(image.size(), QSize(238, 49));
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(image.pixelColor(237, 48), QColor(Qt::black));
        const int bright = count(image, white);
        QVERIFY2(bright > 300, qPrintable(QString::number(bright)));
        QCOMPARE(count(image, [](QColor c) { return c.red() != c.green() || c.green() != c.blue(); }), 0);

        // Outlined letters have almost no white pixel whose neighbours are all white too; filled
        // ones of this height would have hundreds.
        int inner = 0;
        for (int y = 1; y + 1 < image.height(); ++y)
            for (int x = 1; x + 1 < image.width(); ++x) {
                bool allWhite = true;
                for (int dy = -1; dy <= 1 && allWhite; ++dy)
                    for (int dx = -1; dx <= 1 && allWhite; ++dx)
                        allWhite = white(image.pixelColor(x + dx, y + dy));
                inner += allWhite ? 1 : 0;
            }
        QVERIFY2(inner < bright / 10, qPrintable(QStringLiteral("%1 of %2").arg(inner).arg(bright)));
    }
};

QTEST_MAIN(TestArtwork)
#include "test_artwork.moc"
