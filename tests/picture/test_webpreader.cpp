#include "picture/PictureLoader.h"
#include "picture/readers/WebpReader.h"
#include "picture/reduce/Orientation.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class WebpReaderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesDecodeAsLibwebpsOwnToolAtEverySize_data();
    void picturesDecodeAsLibwebpsOwnToolAtEverySize();
    void animationsShowTheirFirstFrameOnTheCanvas();
    void headersClaimingMoreThanTheDataHoldsAreRefused();
    void partsOnScreenAtEvenAndOddOffsetsAreDwebpsPixels_data();
    void partsOnScreenAtEvenAndOddOffsetsAreDwebpsPixels();
};

namespace {

QString pillow(const QString& name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}

// One of libwebp's own tools, in `dir`.
bool run(const QString& program, const QStringList& arguments, const QTemporaryDir& dir) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Channel by channel, premultiplied as painted: the largest difference and the mean.
std::pair<int, double> difference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage q = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int largest = 0;
    qint64 sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width() * 4; ++x) {
            const int e = std::abs(p.constScanLine(y)[x] - q.constScanLine(y)[x]);
            largest = std::max(largest, e);
            sum += e;
        }
    return {largest, double(sum) / std::max<qint64>(1, qint64(p.width()) * p.height() * 4)};
}

} // namespace

void WebpReaderTest::picturesDecodeAsLibwebpsOwnToolAtEverySize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("profileBytes");
    QTest::addColumn<bool>("animated");
    QTest::newRow("lossy") << "hopper.webp" << QSize(128, 128) << false << 1 << 0 << false;
    QTest::newRow("exif") << "flower.webp" << QSize(480, 360) << false << 1 << 0 << false;
    QTest::newRow("icc, exif, xmp") << "flower2.webp" << QSize(300, 225) << false << 1 << 3144 << false;
    QTest::newRow("alpha") << "transparent.webp" << QSize(200, 150) << true << 1 << 0 << false;
    // Its first frame covers the canvas: as its own picture it is the reference.
    QTest::newRow("animation") << "iss634.webp" << QSize(245, 245) << true << 1 << 0 << true;
    // Made from the one before by libwebp's tools.
    QTest::newRow("lossless") << "lossless.webp" << QSize(200, 150) << true << 1 << 0 << false;
    QTest::newRow("icc set") << "tagged.webp" << QSize(128, 128) << false << 1 << 3144 << false;
    for (int o = 2; o <= 8; ++o)
        QTest::addRow("orientation %d", o)
            << QString("hopper_orientation_%1.webp").arg(o) << QSize(128, 128) << false << o << 0 << false;
}

void WebpReaderTest::picturesDecodeAsLibwebpsOwnToolAtEverySize() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QFETCH(int, orientation);
    QFETCH(int, profileBytes);
    QFETCH(bool, animated);
    QTemporaryDir dir;
    for (const char* file : {"transparent.webp", "hopper.webp", "flower2.webp", "iss634.webp"})
        QVERIFY(QFile::copy(pillow(file), dir.filePath(file)));
    QVERIFY(run("dwebp", {"transparent.webp", "-o", "transparent.png"}, dir) &&
            run("cwebp", {"-quiet", "-lossless", "transparent.png", "-o", "lossless.webp"}, dir) &&
            run("webpmux", {"-get", "icc", "flower2.webp", "-o", "profile.icc"}, dir) &&
            run("webpmux", {"-set", "icc", "profile.icc", "hopper.webp", "-o", "tagged.webp"}, dir) &&
            run("webpmux", {"-get", "frame", "1", "iss634.webp", "-o", "frame.webp"}, dir));
    const QString path = QFile::exists(dir.filePath(name)) ? dir.filePath(name) : pillow(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const WebpReader reader(file);
    QVERIFY(reader.valid());
    QCOMPARE(reader.size(), size);
    QCOMPARE(reader.hasAlpha(), alpha);
    QCOMPARE(reader.animated(), animated);
    QCOMPARE(reader.orientation(), orientation);
    QCOMPARE(reader.iccProfile().size(), profileBytes);
    if (profileBytes)
        QCOMPARE(reader.iccProfile(), bytesOf(dir.filePath("profile.icc")));

    QVERIFY(run("dwebp", {animated ? dir.filePath("frame.webp") : path, "-o", "reference.png"}, dir));
    const QImage reference = standUpright(QImage(dir.filePath("reference.png")), orientation);
    const LoadedPicture whole = picture_loader::decode(path);
    QVERIFY(whole.ok);
    QCOMPARE(whole.image.size(), reference.size());
    QCOMPARE(whole.image.hasAlphaChannel(), alpha);
    QVERIFY(difference(whole.image, reference).first <= 1);
    // At its own size on a smaller screen, the part on screen (of hopper from column 13, row 25).
    const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(101, 77), false, false});
    QVERIFY(part.ok);
    QCOMPARE(part.region.size(), QSize(101, 77));
    QVERIFY(difference(part.image, reference.copy(part.region)).first <= 1);
    // Reduced: libwebp's scaling against Qt's smoothing of the whole.
    const LoadedPicture reduced = picture_loader::decode(path, ShowGeometry{QSize(64, 48), true, true});
    QVERIFY(reduced.ok);
    QCOMPARE(reduced.size, whole.size);
    const double mean =
        difference(reduced.image,
                   reference.scaled(reduced.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
            .second;
    QVERIFY2(mean < 1.5, qPrintable(QString::number(mean)));
}

void WebpReaderTest::partsOnScreenAtEvenAndOddOffsetsAreDwebpsPixels_data() {
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<QSize>("screen");
    // A picture of 128 x 96 centred on a smaller screen: its part on screen starts at half the
    // difference, an even or odd column and row. libwebp keeps colour for pairs of pixels: a part
    // cropped from an odd column gives the same pixels with or without a margin, one from an even
    // column only with it.
    for (const bool alpha : {false, true})
        for (const QSize screen :
             {QSize(100, 70), QSize(101, 71), QSize(100, 71), QSize(99, 72), QSize(50, 30)})
            QTest::addRow("%s, screen %dx%d", alpha ? "alpha" : "opaque", screen.width(), screen.height())
                << alpha << screen;
}

void WebpReaderTest::partsOnScreenAtEvenAndOddOffsetsAreDwebpsPixels() {
    QFETCH(bool, alpha);
    QFETCH(QSize, screen);
    QTemporaryDir dir;
    // Sharp detail in every direction, so that any pixel taken from elsewhere shows.
    QImage source(128, 96, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y,
                            qRgba((x * 40 + y * 7) % 256, (x * x + y * 3) % 256, ((x ^ y) * 13) % 256,
                                  alpha ? 40 + (x * 5 + y * 9) % 200 : 255));
    QVERIFY(source.save(dir.filePath("source.png")));
    QVERIFY(run("cwebp", {"-quiet", "-q", "90", "-exact", "source.png", "-o", "picture.webp"}, dir));
    QVERIFY(run("dwebp", {"picture.webp", "-o", "reference.png"}, dir));
    const QImage reference(dir.filePath("reference.png"));
    QCOMPARE(reference.size(), source.size());
    const LoadedPicture part =
        picture_loader::decode(dir.filePath("picture.webp"), ShowGeometry{screen, false, false});
    QVERIFY(part.ok);
    QCOMPARE(part.region.size(), screen);
    QCOMPARE(part.region.left(), (source.width() - screen.width()) / 2);
    const auto [largest, mean] = difference(part.image, reference.copy(part.region));
    QVERIFY2(
        largest <= 1,
        qPrintable(
            QString("difference %1 at %2, %3").arg(largest).arg(part.region.left()).arg(part.region.top())));
}

void WebpReaderTest::animationsShowTheirFirstFrameOnTheCanvas() {
    // The first frame stands inside the canvas, transparent around it; the second covers it all.
    QTemporaryDir dir;
    QImage red(40, 30, QImage::Format_RGB32), blue(60, 50, QImage::Format_RGB32);
    red.fill(qRgb(220, 20, 20));
    blue.fill(qRgb(20, 20, 220));
    QVERIFY(red.save(dir.filePath("red.png")) && blue.save(dir.filePath("blue.png")));
    QVERIFY(run("cwebp", {"-quiet", "-lossless", "red.png", "-o", "red.webp"}, dir) &&
            run("cwebp", {"-quiet", "blue.png", "-o", "blue.webp"}, dir) &&
            run("webpmux",
                {"-frame", "red.webp", "+100+10+20", "-frame", "blue.webp", "+100", "-o", "a.webp"}, dir));
    for (const auto& shown :
         {std::optional<ShowGeometry>(), std::optional(ShowGeometry{QSize(30, 25), true, true})}) {
        const LoadedPicture p = picture_loader::decode(dir.filePath("a.webp"), shown);
        QVERIFY(p.ok);
        QCOMPARE(p.size, QSize(60, 50));
        const QImage image = p.image.convertToFormat(QImage::Format_ARGB32);
        const int scale = 60 / image.width();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(image.pixel(30 / scale, 36 / scale), qRgb(220, 20, 20));
    }
}

void WebpReaderTest::headersClaimingMoreThanTheDataHoldsAreRefused() {
    QTemporaryDir dir;
    // A lossless 16 x 16 of one colour, each of whose codes has one symbol and so takes no bits:
    // the same 34 bytes hold that colour at any size.
    const QByteArray oneColour =
        QByteArray::fromHex("524946461a000000574542505650384c0e0000002f0fc00310a859679ad9ff020000");
    QByteArray lossless = oneColour, lossy = bytesOf(pillow("hopper.webp")),
               canvas = bytesOf(pillow("flower.webp"));
    QCOMPARE(lossy.mid(12, 4), "VP8 ");
    QCOMPARE(canvas.mid(12, 4), "VP8X");
    const auto put = [](QByteArray& bytes, int at, quint64 value, int count) {
        for (int i = 0; i < count; ++i)
            bytes[at + i] = char(value >> (8 * i));
    };
    put(lossless, 21, 16382 | 16382 << 14 | 1 << 28, 4); // width and height less one, alpha
    put(lossy, 26, 16383 | 16383 << 16, 4);              // width and height of the frame
    put(canvas, 24, 59999 | quint64(59999) << 24, 6);    // the canvas's, less one
    const QList<std::pair<QByteArray, QByteArray>> pictures{{oneColour, lossless},
                                                            {bytesOf(pillow("hopper.webp")), lossy},
                                                            {bytesOf(pillow("flower.webp")), canvas}};
    for (const auto& [honest, bomb] : pictures) {
        QVERIFY(write(dir.filePath("honest.webp"), honest) && write(dir.filePath("bomb.webp"), bomb));
        QVERIFY(picture_loader::decode(dir.filePath("honest.webp")).ok);
        QVERIFY(!picture_loader::decode(dir.filePath("bomb.webp")).ok);
        QVERIFY(
            !picture_loader::decode(dir.filePath("bomb.webp"), ShowGeometry{QSize(1920, 1080), true, true})
                 .ok);
    }
}

QTEST_GUILESS_MAIN(WebpReaderTest)
#include "test_webpreader.moc"
