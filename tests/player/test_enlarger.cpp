// Enlarging pictures for the screen, and the memory their pixels live in.
#include "player/Enlarger.h"
#include "player/PictureMemory.h"

#include <QTest>

#include <thread>

namespace {

// Gradients with a fine, irregular pattern on top, so that neighbours differ.
QImage pattern(QSize size, QImage::Format format) {
    QImage image(size, QImage::Format_ARGB32);
    const bool alpha = format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied;
    quint32 seed = 12345;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1103515245 + 12345;
            // Qt steps its source position by a rounded increment, which drifts by a few hundredths
            // of a pixel across a screen: neighbours differ by less than a sixteenth of the range,
            // so that the drift stays within rounding.
            const int noise = int(seed >> 24) % 16;
            image.setPixel(x, y,
                           qRgba(std::min(255, x * 240 / std::max(1, size.width() - 1) + noise),
                                 std::min(255, y * 240 / std::max(1, size.height() - 1) + noise), noise * 8,
                                 alpha ? (x * 37 + y * 11) % 256 : 255));
        }
    }
    return image.convertToFormat(format);
}

// The largest difference of any channel between two pictures of one size and format.
int largestDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = a.constScanLine(y);
        const auto* pb = b.constScanLine(y);
        for (qsizetype i = 0; i < a.bytesPerLine(); ++i)
            most = std::max(most, std::abs(int(pa[i]) - int(pb[i])));
    }
    return most;
}

} // namespace

class EnlargerTest : public QObject {
    Q_OBJECT
private slots:
    void whatEnlarges();
    void asQtEnlargesSmoothly_data();
    void asQtEnlargesSmoothly();
    void transparencyDoesNotBleed();
    void blocksOfGonePicturesServeTheNextOnes();
    void keptBlocksAreBounded();
};

void EnlargerTest::whatEnlarges() {
    QVERIFY(enlarger::enlarges(QSize(1024, 768), QSize(1920, 1440)));
    QVERIFY(enlarger::enlarges(QSize(40, 30), QSize(41, 30)));
    QVERIFY(!enlarger::enlarges(QSize(40, 30), QSize(40, 30)));
    QVERIFY(!enlarger::enlarges(QSize(40, 30), QSize(80, 20))); // reduced across: needs an average
    QVERIFY(!enlarger::enlarges(QSize(0, 30), QSize(80, 60)));
    QVERIFY(enlarger::enlarge(QImage(), QSize(10, 10)).isNull());
}

void EnlargerTest::asQtEnlargesSmoothly_data() {
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::addColumn<int>("format");
    QTest::newRow("BMP on a 1080p screen")
        << QSize(1024, 768) << QSize(1920, 1440) << int(QImage::Format_RGB32);
    QTest::newRow("GIF") << QSize(800, 600) << QSize(1920, 1440) << int(QImage::Format_RGB32);
    QTest::newRow("odd sizes") << QSize(3, 2) << QSize(7, 5) << int(QImage::Format_RGB32);
    QTest::newRow("one pixel") << QSize(1, 1) << QSize(5, 3) << int(QImage::Format_RGB32);
    QTest::newRow("taller only") << QSize(40, 30) << QSize(40, 91) << int(QImage::Format_RGB32);
    QTest::newRow("wider only") << QSize(40, 30) << QSize(97, 30) << int(QImage::Format_RGB32);
    QTest::newRow("alpha") << QSize(64, 48) << QSize(150, 100) << int(QImage::Format_ARGB32_Premultiplied);
    QTest::newRow("indexed GIF colours") << QSize(50, 40) << QSize(120, 90) << int(QImage::Format_Indexed8);
}

void EnlargerTest::asQtEnlargesSmoothly() {
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QFETCH(int, format);
    const QImage source = pattern(from, QImage::Format(format));
    const QImage ours = enlarger::enlarge(source, to);
    QCOMPARE(ours.size(), to);
    const QImage::Format painted =
        source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QCOMPARE(ours.format(), painted);
    // The same pixel centres and weights as Qt's smooth scaling: only rounding may differ.
    const QImage qt = source.convertToFormat(painted)
                          .scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(painted);
    QVERIFY2(largestDifference(ours, qt) <= 4, qPrintable(QString::number(largestDifference(ours, qt))));
}

void EnlargerTest::transparencyDoesNotBleed() {
    // Transparent red beside opaque blue: the blend between them is a thinning blue, never purple.
    QImage source(2, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 0));
    source.setPixel(1, 0, qRgba(0, 0, 255, 255));
    const QImage out = enlarger::enlarge(source, QSize(8, 2));
    for (int x = 0; x < out.width(); ++x) {
        const QRgb p = out.pixel(x, 0);
        QCOMPARE(qRed(p), 0);
        QVERIFY(qBlue(p) <= qAlpha(p));
    }
    QCOMPARE(qAlpha(out.pixel(0, 0)), 0);
    QCOMPARE(out.pixel(7, 1), qRgba(0, 0, 255, 255));
}

void EnlargerTest::blocksOfGonePicturesServeTheNextOnes() {
    const QSize screen(1920, 1080);
    QImage first = picture_memory::image(screen, QImage::Format_RGB32);
    QVERIFY(!first.isNull());
    QCOMPARE(first.size(), screen);
    first.fill(Qt::red);
    QCOMPARE(first.pixel(1919, 1079), QColor(Qt::red).rgb());
    const uchar* block = first.constBits();
    const std::size_t before = picture_memory::keptBytes();
    first = QImage();
    QVERIFY(picture_memory::keptBytes() >= before + std::size_t(screen.width()) * screen.height() * 4);

    // The next picture of that size takes the block; a copy of it lives on its own.
    QImage second = picture_memory::image(screen, QImage::Format_RGB32);
    QCOMPARE(second.constBits(), block);
    QCOMPARE(picture_memory::keptBytes(), before);
    // A much smaller picture does not tie up a large block.
    second = QImage();
    const QImage small = picture_memory::image(QSize(800, 600), QImage::Format_RGB32);
    QVERIFY(small.constBits() != block);

    // Let go of on a worker thread, as the preloader's pictures may be.
    QImage onWorker = picture_memory::image(screen, QImage::Format_RGB32);
    QCOMPARE(onWorker.constBits(), block);
    std::thread([picture = std::move(onWorker)]() mutable { picture = QImage(); }).join();
    QVERIFY(picture_memory::keptBytes() >= before + std::size_t(screen.width()) * screen.height() * 4);

    // Pictures too small to matter come from the heap and are not kept.
    const std::size_t kept = picture_memory::keptBytes();
    QImage icon = picture_memory::image(QSize(32, 32), QImage::Format_ARGB32);
    QVERIFY(!icon.isNull());
    icon = QImage();
    QCOMPARE(picture_memory::keptBytes(), kept);
}

void EnlargerTest::keptBlocksAreBounded() {
    std::vector<QImage> pictures;
    for (int i = 0; i < 12; ++i) {
        pictures.push_back(picture_memory::image(QSize(1920, 1440), QImage::Format_RGB32));
        QVERIFY(!pictures.back().isNull());
    }
    pictures.clear();
    QVERIFY(picture_memory::keptBytes() > 0);
    QVERIFY(picture_memory::keptBytes() <= picture_memory::keptLimit());
    // A picture larger than all that may be kept goes straight back to the system.
    const std::size_t kept = picture_memory::keptBytes();
    QImage huge = picture_memory::image(QSize(8192, 8192), QImage::Format_RGB32);
    QVERIFY(!huge.isNull());
    huge = QImage();
    QVERIFY(picture_memory::keptBytes() <= kept);
}

QTEST_GUILESS_MAIN(EnlargerTest)
#include "test_enlarger.moc"
