#include "picture/PictureLoader.h"
#include "picture/Placement.h"

#include <QTest>

class PlacementTest : public QObject {
    Q_OBJECT
private slots:
    void placing_data();
    void placing();
    void scaledScreens_data();
    void scaledScreens();
    void wholePictures_data();
    void wholePictures();
    void emptyPictureCannotKeepItsRatio();
    void halvingRoundsToEvenFirst();
};

void PlacementTest::placing_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("keepRatio");
    QTest::addColumn<QRect>("expected");

    const QSize hd(1920, 1080);
    QTest::newRow("own size, centred")
        << QSize(300, 200) << hd << false << false << QRect(810, 440, 300, 200);
    QTest::newRow("own size larger than the screen")
        << QSize(2000, 1200) << hd << false << true << QRect(-40, -60, 2000, 1200);
    QTest::newRow("stretch ignores proportions")
        << QSize(300, 200) << hd << true << false << QRect(0, 0, 1920, 1080);
    // Landscape pictures fill the width even when that makes them taller than the screen.
    QTest::newRow("4:3 on 16:9 keeps ratio")
        << QSize(1600, 1200) << hd << true << true << QRect(0, -180, 1920, 1440);
    QTest::newRow("wide landscape") << QSize(400, 100) << hd << true << true << QRect(0, 300, 1920, 480);
    QTest::newRow("square fills the width")
        << QSize(500, 500) << hd << true << true << QRect(0, -420, 1920, 1920);
    QTest::newRow("portrait fills the height")
        << QSize(600, 900) << hd << true << true << QRect(600, 0, 720, 1080);
    QTest::newRow("portrait on a tall screen may be wider than it")
        << QSize(900, 1000) << QSize(600, 800) << true << true << QRect(-60, 0, 720, 800);
}

void PlacementTest::placing() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(bool, stretch);
    QFETCH(bool, keepRatio);
    QFETCH(QRect, expected);
    const auto placed = Center_Pic(picture, screen, stretch, keepRatio);
    QVERIFY(placed);
    QCOMPARE(placed->pixels(), expected);
    QCOMPARE(placed->stretched, stretch);
}

void PlacementTest::scaledScreens_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen"); // logical pixels
    QTest::addColumn<double>("ratio");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("keepRatio");
    QTest::addColumn<QRect>("placed");  // logical pixels
    QTest::addColumn<QSize>("decoded"); // device pixels

    const QSize hd(1920, 1080);
    // A 4K screen at a scale of 2 is an HD screen of logical pixels.
    QTest::newRow("2x: 4K picture fills the screen at its own pixels")
        << QSize(3840, 2160) << hd << 2.0 << true << true << QRect(0, 0, 1920, 1080) << QSize(3840, 2160);
    QTest::newRow("2x: 4:3 keeps ratio")
        << QSize(1600, 1200) << hd << 2.0 << true << true << QRect(0, -180, 1920, 1440) << QSize(3840, 2880);
    QTest::newRow("2x: stretch") << QSize(300, 200) << hd << 2.0 << true << false << QRect(0, 0, 1920, 1080)
                                 << QSize(3840, 2160);
    QTest::newRow("2x: own size is a device pixel a picture pixel")
        << QSize(300, 200) << hd << 2.0 << false << false << QRect(885, 490, 150, 100) << QSize(300, 200);
    const QSize qhd(2560, 1440);
    QTest::newRow("1.5x: 4K picture fills the screen")
        << QSize(3840, 2160) << qhd << 1.5 << true << true << QRect(0, 0, 2560, 1440) << QSize(3840, 2160);
    QTest::newRow("1.5x: portrait") << QSize(600, 900) << qhd << 1.5 << true << true
                                    << QRect(800, 0, 960, 1440) << QSize(1440, 2160);
    QTest::newRow("1.5x: own size, odd")
        << QSize(301, 201) << qhd << 1.5 << false << false << QRect(1180, 653, 201, 134) << QSize(301, 201);
    QTest::newRow("1x: as before") << QSize(1600, 1200) << hd << 1.0 << true << true
                                   << QRect(0, -180, 1920, 1440) << QSize(1920, 1440);
}

void PlacementTest::scaledScreens() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(double, ratio);
    QFETCH(bool, stretch);
    QFETCH(bool, keepRatio);
    QFETCH(QRect, placed);
    QFETCH(QSize, decoded);
    const auto p = Center_Pic(picture, screen, stretch, keepRatio, ratio);
    QVERIFY(p);
    QCOMPARE(p->pixels(), placed);
    QCOMPARE(picture_loader::shownSize(picture, ShowGeometry{screen, stretch, keepRatio, ratio}), decoded);
    // What is decoded covers the placed rectangle in device pixels, give or take the rounding.
    QVERIFY(std::abs(decoded.width() - placed.width() * ratio) <= ratio);
    QVERIFY(std::abs(decoded.height() - placed.height() * ratio) <= ratio);
}

void PlacementTest::wholePictures_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen"); // logical pixels
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QRect>("placed");  // logical pixels
    QTest::addColumn<QSize>("decoded"); // device pixels
    const QSize hd(1920, 1080);
    QTest::newRow("a 4:3 photo fits the height")
        << QSize(4000, 3000) << hd << 1.0 << QRect(240, 0, 1440, 1080) << QSize(1440, 1080);
    QTest::newRow("a panorama fits the width")
        << QSize(8000, 1000) << hd << 1.0 << QRect(0, 420, 1920, 240) << QSize(1920, 240);
    QTest::newRow("a portrait fits the height")
        << QSize(3000, 4000) << hd << 1.0 << QRect(555, 0, 810, 1080) << QSize(810, 1080);
    QTest::newRow("smaller: its own size, centred")
        << QSize(300, 200) << hd << 1.0 << QRect(810, 440, 300, 200) << QSize(300, 200);
    QTest::newRow("exactly the screen") << hd << hd << 1.0 << QRect(0, 0, 1920, 1080) << hd;
    QTest::newRow("2x: fits the device pixels at its own size")
        << QSize(3000, 2000) << hd << 2.0 << QRect(210, 40, 1500, 1000) << QSize(3000, 2000);
    QTest::newRow("2x: larger than the device pixels")
        << QSize(8000, 6000) << hd << 2.0 << QRect(240, 0, 1440, 1080) << QSize(2880, 2160);
}

void PlacementTest::wholePictures() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(double, ratio);
    QFETCH(QRect, placed);
    QFETCH(QSize, decoded);
    const auto p = wholePic(picture, screen, ratio);
    QVERIFY(p);
    QCOMPARE(p->pixels(), placed);
    ShowGeometry geometry{screen, false, false, ratio};
    geometry.whole = true;
    QCOMPARE(picture_loader::shownSize(picture, geometry), decoded);
    QVERIFY(!wholePic(QSize(0, 10), screen, ratio));
}

void PlacementTest::emptyPictureCannotKeepItsRatio() {
    QVERIFY(!Center_Pic(QSize(0, 0), QSize(800, 600), true, true));
    const auto own = Center_Pic(QSize(0, 0), QSize(800, 600), false, false);
    QVERIFY(own);
    QCOMPARE(own->pixels(), QRect(400, 300, 0, 0));
}

void PlacementTest::halvingRoundsToEvenFirst() {
    QCOMPARE(halfOfRounded(5.0), 2);
    QCOMPARE(halfOfRounded(2.5), 1);   // 2.5 rounds to 2
    QCOMPARE(halfOfRounded(3.5), 2);   // 3.5 rounds to 4
    QCOMPARE(halfOfRounded(-5.0), -2); // truncates toward zero
    QCOMPARE(halfOfRounded(-5399.998), -2700);
}

QTEST_APPLESS_MAIN(PlacementTest)
#include "test_placement.moc"
