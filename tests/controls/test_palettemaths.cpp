#include "controls/PaletteMaths.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<qint32>)

class PaletteMathsTest : public QObject {
    Q_OBJECT
private slots:
    void pixels_data();
    void pixels();
    void fieldRunsFromLightThroughHueToBlack();
    void imageMatchesThePixels();
    void gradientColumns_data();
    void gradientColumns();
    void ticks_data();
    void ticks();
};

void PaletteMathsTest::pixels_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<qint32>("colour");
    const qint32 grey = 127 + 127 * 256 + 127 * 65536;
    QTest::newRow("pure red column, full hue") << 2 << 24 << 255;
    QTest::newRow("grey frame, left") << 0 << 10 << grey;
    QTest::newRow("grey frame, row 1") << 50 << 1 << grey;
    QTest::newRow("grey frame, row 48") << 50 << 48 << grey;
    QTest::newRow("grey frame, right") << 98 << 30 << grey;
    QTest::newRow("white top row") << 0 << 0 << 0xFFFFFF;
    QTest::newRow("black bottom row") << 98 << 49 << 0;
    QTest::newRow("white inner frame") << 1 << 20 << 0xFFFFFF;
    QTest::newRow("white inner row 47") << 40 << 47 << 0xFFFFFF;
    QTest::newRow("field bottom is black") << 60 << 46 << 0;
    QTest::newRow("left of the image") << -1 << 10 << -1;
    QTest::newRow("right of the image") << 99 << 10 << -1;
    QTest::newRow("above the image") << 10 << -1 << -1;
    QTest::newRow("below the image") << 10 << 50 << -1;
}

void PaletteMathsTest::pixels() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(qint32, colour);
    QCOMPARE(palette::pixel(x, y), colour);
}

void PaletteMathsTest::fieldRunsFromLightThroughHueToBlack() {
    // Along the full-hue row: red, then yellow, green, cyan, blue, magenta in turn.
    const auto at = [](int x) { return palette::split(palette::pixel(x, 24)); };
    QCOMPARE(at(2).red, 255);
    int dominantChanges = 0;
    int last = -1;
    for (int x = 2; x <= 96; ++x) {
        const palette::Rgb c = at(x);
        const int dominant = c.red >= c.green && c.red >= c.blue ? 0 : c.green >= c.blue ? 1 : 2;
        if (dominant != last)
            ++dominantChanges;
        last = dominant;
        QVERIFY(std::max({c.red, c.green, c.blue}) == 255);
    }
    QCOMPARE(dominantChanges, 4); // red, green, blue, red again
    const palette::Rgb right = at(96);
    QVERIFY(right.red == 255 && right.blue > 0 && right.green == 0); // a purplish red
    // Down a column: almost white at the top, darker and darker below the full hue.
    const palette::Rgb top = palette::split(palette::pixel(2, 3));
    QVERIFY(top.red == 255 && top.green > 230 && top.green < 255 && top.green == top.blue);
    for (int y = 25; y <= 46; ++y)
        QVERIFY(palette::split(palette::pixel(40, y)).green <=
                palette::split(palette::pixel(40, y - 1)).green);
}

void PaletteMathsTest::imageMatchesThePixels() {
    const QImage& img = palette::image();
    QCOMPARE(img.size(), QSize(99, 50));
    for (const QPoint p : {QPoint(2, 24), QPoint(0, 0), QPoint(50, 30), QPoint(98, 49)}) {
        const palette::Rgb c = palette::split(palette::pixel(p.x(), p.y()));
        QCOMPARE(img.pixel(p), qRgb(c.red, c.green, c.blue));
    }
}

void PaletteMathsTest::gradientColumns_data() {
    QTest::addColumn<std::optional<qint32>>("first");
    QTest::addColumn<qint32>("second");
    QTest::addColumn<int>("column");
    QTest::addColumn<qint32>("colour");
    const std::optional<qint32> nothing;
    QTest::newRow("nothing to red, first column black") << nothing << 255 << 0 << 0;
    QTest::newRow("nothing to red, last column red") << nothing << 255 << 255 << 255;
    QTest::newRow("nothing to red, column 78") << nothing << 255 << 78 << 78;
    // 127 x 1 / 255 = 0.498 rounds down; 255 x 128 / 255 = 128 exactly.
    QTest::newRow("nothing to grey, column 1") << nothing << 0x7F7F7F << 1 << 0;
    QTest::newRow("nothing to blue, column 128") << nothing << 0xFF0000 << 128 << 0x800000;
    QTest::newRow("white to black, column 0") << std::optional<qint32>(0xFFFFFF) << 0 << 0 << 0xFFFFFF;
    QTest::newRow("white to black, middle") << std::optional<qint32>(0xFFFFFF) << 0 << 127 << 0x808080;
    QTest::newRow("mixed parts split apart") << nothing << 0x123456 << 255 << 0x123456;
}

void PaletteMathsTest::gradientColumns() {
    QFETCH(std::optional<qint32>, first);
    QFETCH(qint32, second);
    QFETCH(int, column);
    QFETCH(qint32, colour);
    QCOMPARE(palette::gradientColumn(first, second, column), colour);
}

void PaletteMathsTest::ticks_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("inner width 78") << 78 << QList<int>{-1, 7, 15, 23, 31, 39, 47, 55, 63, 71}
                                    << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("width 100 reaches its end") << 100 << QList<int>{-1, 9, 19, 29, 39, 49, 59, 69, 79, 89, 99}
                                               << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("width 25: step 2 (halves to even)")
        << 25 << QList<int>{-1, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23}
        << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QTest::newRow("too narrow for a scale") << 4 << QList<int>{} << QList<int>{};
}

void PaletteMathsTest::ticks() {
    QFETCH(int, width);
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, numbers);
    QList<int> gotX, gotNumbers;
    for (const palette::Tick& t : palette::ticks(width)) {
        gotX << t.x;
        gotNumbers << t.number;
        QCOMPARE(t.textX, t.x - 5);
    }
    QCOMPARE(gotX, xs);
    QCOMPARE(gotNumbers, numbers);
    QCOMPARE(palette::scaleLine(15), 10.0);
}

QTEST_GUILESS_MAIN(PaletteMathsTest)
#include "test_palettemaths.moc"
