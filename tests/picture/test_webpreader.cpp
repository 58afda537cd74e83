#include "picture/JpegScaledDecoder.h"
#include "picture/PictureLoader.h"
#include "picture/WebpReader.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

class WebpReaderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesDecodeAsLibwebpsOwnTool_data();
    void picturesDecodeAsLibwebpsOwnTool();
    void ownSizeAndReducedDecodesMatchTheWholePicture();
    void animationsShowTheirFirstFrameOnTheCanvas();
    void theColourProfileComesOut();
    void headersClaimingMoreThanTheDataHoldsAreRefused_data();
    void headersClaimingMoreThanTheDataHoldsAreRefused();
};

namespace {

QString pillow(const QString& name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The picture as libwebp's own tool decodes it, at its own size and as stored.
QImage dwebp(const QString& webp, const QTemporaryDir& dir) {
    const QString png = dir.filePath(QFileInfo(webp).fileName() + ".png");
    return run("dwebp", {webp, "-o", png}) ? QImage(png) : QImage();
}

// A lossy and a lossless WebP of `picture`, made by libwebp's own encoder.
QString cwebp(const QImage& picture, const QString& name, const QStringList& options,
              const QTemporaryDir& dir) {
    const QString png = dir.filePath(name + ".png"), webp = dir.filePath(name + ".webp");
    if (!picture.save(png) || !run("cwebp", options + QStringList{"-quiet", png, "-o", webp}))
        return QString();
    return webp;
}

struct Difference {
    int largest = 0;
    double mean = 0;
};

// Channel by channel, premultiplied as painted (the colour of a transparent pixel never shows).
Difference difference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage q = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Difference d;
    qint64 sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width() * 4; ++x) {
            const int e = std::abs(p.constScanLine(y)[x] - q.constScanLine(y)[x]);
            d.largest = std::max(d.largest, e);
            sum += e;
        }
    d.mean = double(sum) / std::max<qint64>(1, qint64(p.width()) * p.height() * 4);
    return d;
}

// Shades that change across the picture, with edges in brightness, as a photo has.
QImage photoLike(QSize size, bool alpha) {
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int edge = (x / 16 + y / 16) % 2 * 60;
            image.setPixel(x, y,
                           qRgba(40 + edge + x * 150 / size.width(), 40 + edge + y * 150 / size.height(),
                                 40 + edge, alpha ? 255 - x * 200 / size.width() : 255));
        }
    return image;
}

// A lossless WebP of one colour, every code of which has that one symbol and so takes no bits: its
// 34 bytes hold a picture of any size.
QByteArray oneColour(QSize size, QRgb colour) {
    QByteArray bits;
    const auto put = [&](quint32 value, int count) {
        for (int i = 0; i < count; ++i)
            bits += char(value >> i & 1);
    };
    put(size.width() - 1, 14);
    put(size.height() - 1, 14);
    put(1, 1);     // alpha
    put(0, 3 + 3); // version; no transform, colour cache or meta codes
    for (const int symbol : {qGreen(colour), qRed(colour), qBlue(colour), qAlpha(colour), 0}) {
        put(0b101, 3); // a simple code of one symbol of 8 bits
        put(quint32(symbol), 8);
    }
    QByteArray data("\x2f");
    for (int i = 0; i < bits.size(); i += 8) {
        char byte = 0;
        for (int j = 0; j < 8 && i + j < bits.size(); ++j)
            byte = char(byte | bits[i + j] << j);
        data += byte;
    }
    const auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    const QByteArray chunk = "VP8L" + le32(quint32(data.size())) + data;
    return "RIFF" + le32(quint32(4 + chunk.size())) + "WEBP" + chunk;
}

} // namespace

void WebpReaderTest::picturesDecodeAsLibwebpsOwnTool_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("profileBytes");
    // The first frame's reference is the frame as its own picture (it covers the whole canvas).
    QTest::addColumn<bool>("animated");
    QTest::newRow("lossy") << "hopper.webp" << QSize(128, 128) << false << 1 << 0 << false;
    QTest::newRow("small") << "anim_frame1.webp" << QSize(82, 82) << false << 1 << 0 << false;
    QTest::newRow("exif") << "flower.webp" << QSize(480, 360) << false << 1 << 0 << false;
    QTest::newRow("icc, exif, xmp") << "flower2.webp" << QSize(300, 225) << false << 1 << 3144 << false;
    QTest::newRow("alpha") << "transparent.webp" << QSize(200, 150) << true << 1 << 0 << false;
    QTest::newRow("animation") << "iss634.webp" << QSize(245, 245) << true << 1 << 0 << true;
    for (int o = 2; o <= 8; ++o)
        QTest::addRow("orientation %d", o)
            << QString("hopper_orientation_%1.webp").arg(o) << QSize(128, 128) << false << o << 0 << false;
}

void WebpReaderTest::picturesDecodeAsLibwebpsOwnTool() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QFETCH(int, orientation);
    QFETCH(int, profileBytes);
    QFETCH(bool, animated);
    QTemporaryDir dir;
    QString source = pillow(name);
    QFile file(source);
    QVERIFY(file.open(QIODevice::ReadOnly));
    WebpReader reader(file);
    QVERIFY(reader.valid());
    QCOMPARE(reader.size(), size);
    QCOMPARE(reader.hasAlpha(), alpha);
    QCOMPARE(reader.animated(), animated);
    QCOMPARE(reader.orientation(), orientation);
    QCOMPARE(reader.iccProfile().size(), profileBytes);
    if (animated) {
        source = dir.filePath("first.webp");
        QVERIFY(run("webpmux", {"-get", "frame", "1", pillow(name), "-o", source}));
    }
    const QImage reference = jpeg_scaled::upright(dwebp(source, dir), orientation);
    QVERIFY(!reference.isNull());

    const LoadedPicture whole = picture_loader::decode(pillow(name));
    QVERIFY(whole.ok);
    QCOMPARE(whole.image.size(), reference.size());
    QCOMPARE(whole.image.hasAlphaChannel(), alpha);
    const Difference own = difference(whole.image, reference);
    QVERIFY2(own.largest <= 1, qPrintable(QString::number(own.largest)));

    const LoadedPicture reduced =
        picture_loader::decode(pillow(name), ShowGeometry{QSize(64, 48), true, true});
    QVERIFY(reduced.ok);
    QCOMPARE(reduced.size, whole.size);
    const Difference scaled =
        difference(reduced.image,
                   reference.scaled(reduced.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QVERIFY2(scaled.mean < 1.5, qPrintable(QString::number(scaled.mean)));
}

void WebpReaderTest::ownSizeAndReducedDecodesMatchTheWholePicture() {
    // Larger than the screen either way: at its own size only the part on screen is decoded, from
    // an odd column and row; stretched it is decoded at the size shown.
    QTemporaryDir dir;
    const QSize size(603, 455);
    const ShowGeometry ownSize{QSize(300, 200), false, false};
    const ShowGeometry stretched{QSize(300, 200), true, true};
    for (const bool lossless : {false, true}) {
        const QString webp = cwebp(photoLike(size, false), lossless ? "lossless" : "lossy",
                                   lossless ? QStringList{"-lossless"} : QStringList{"-q", "90"}, dir);
        const QImage reference = dwebp(webp, dir);
        QCOMPARE(reference.size(), size);

        const LoadedPicture part = picture_loader::decode(webp, ownSize);
        QVERIFY(part.ok);
        QCOMPARE(part.size, size);
        QCOMPARE(part.region.size(), QSize(300, 200));
        QVERIFY(part.region.left() % 2 == 1 && part.region.top() % 2 == 1);
        const Difference own = difference(part.image, reference.copy(part.region));
        QVERIFY2(own.largest <= 1, qPrintable(QString::number(own.largest)));

        const LoadedPicture reduced = picture_loader::decode(webp, stretched);
        QVERIFY(reduced.ok);
        QCOMPARE(reduced.image.size(), picture_loader::shownSize(size, stretched));
        const Difference scaled =
            difference(reduced.image, reference.scaled(reduced.image.size(), Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation));
        QVERIFY2(scaled.mean < 1, qPrintable(QString::number(scaled.mean)));
    }
}

void WebpReaderTest::animationsShowTheirFirstFrameOnTheCanvas() {
    // The first frame stands inside the canvas, which is transparent around it; the second frame
    // covers it all.
    QTemporaryDir dir;
    QImage red(40, 30, QImage::Format_RGB32), blue(60, 50, QImage::Format_RGB32);
    red.fill(qRgb(220, 20, 20));
    blue.fill(qRgb(20, 20, 220));
    const QString first = cwebp(red, "red", {"-lossless"}, dir),
                  second = cwebp(blue, "blue", {"-q", "80"}, dir);
    const QString animation = dir.filePath("animation.webp");
    QVERIFY(run("webpmux", {"-frame", first, "+100+10+20", "-frame", second, "+100+0+0", "-o", animation}));
    for (const auto& shown :
         {std::optional<ShowGeometry>(), std::optional(ShowGeometry{QSize(30, 25), true, true})}) {
        const LoadedPicture p = picture_loader::decode(animation, shown);
        QVERIFY(p.ok);
        QCOMPARE(p.size, QSize(60, 50));
        const QImage image = p.image.convertToFormat(QImage::Format_ARGB32);
        const double scale = double(image.width()) / 60;
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(image.pixel(int(30 * scale), int(35 * scale)), qRgb(220, 20, 20));
    }
}

void WebpReaderTest::theColourProfileComesOut() {
    QTemporaryDir dir;
    QByteArray profile(560, '\0');
    for (int i = 0; i < profile.size(); ++i)
        profile[i] = char(i * 7);
    QFile icc(dir.filePath("profile.icc"));
    QVERIFY(icc.open(QIODevice::WriteOnly) && icc.write(profile) == profile.size());
    icc.close();
    const QString plain = cwebp(photoLike(QSize(32, 24), true), "plain", {"-q", "80"}, dir);
    const QString tagged = dir.filePath("tagged.webp");
    QVERIFY(run("webpmux", {"-set", "icc", icc.fileName(), plain, "-o", tagged}));
    for (const auto& [path, bytes] : {std::pair{plain, QByteArray()}, std::pair{tagged, profile}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const WebpReader reader(file);
        QVERIFY(reader.valid() && reader.hasAlpha());
        QCOMPARE(reader.iccProfile(), bytes);
    }
}

void WebpReaderTest::headersClaimingMoreThanTheDataHoldsAreRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("lossy 16383 x 16383") << "lossy";
    QTest::newRow("lossless 16383 x 16383 of one colour") << "lossless";
    QTest::newRow("canvas 60000 x 60000") << "canvas";
}

void WebpReaderTest::headersClaimingMoreThanTheDataHoldsAreRefused() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QByteArray bytes;
    if (kind == "lossless") {
        bytes = oneColour(QSize(16, 16), qRgb(51, 102, 153));
    } else {
        QFile original(pillow(kind == "lossy" ? "hopper.webp" : "flower.webp"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        bytes = original.readAll();
    }
    const auto put = [&](int at, quint32 value, int count) {
        for (int i = 0; i < count; ++i)
            bytes[at + i] = char(value >> (8 * i));
    };
    const QString honest = dir.filePath("honest.webp");
    QFile before(honest);
    QVERIFY(before.open(QIODevice::WriteOnly) && before.write(bytes) == bytes.size());
    before.close();
    QVERIFY(picture_loader::decode(honest).ok);
    if (kind == "lossy") {
        QCOMPARE(bytes.mid(12, 4), QByteArray("VP8 "));
        put(26, 16383, 2);
        put(28, 16383, 2);
    } else if (kind == "lossless") {
        bytes = oneColour(QSize(16383, 16383), qRgb(51, 102, 153));
    } else {
        QCOMPARE(bytes.mid(12, 4), QByteArray("VP8X"));
        put(24, 59999, 3);
        put(27, 59999, 3);
    }
    const QString bomb = dir.filePath("bomb.webp");
    QFile out(bomb);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    out.close();
    QVERIFY(!picture_loader::decode(bomb).ok);
    QVERIFY(!picture_loader::decode(bomb, ShowGeometry{QSize(1920, 1080), true, true}).ok);
}

QTEST_GUILESS_MAIN(WebpReaderTest)
#include "test_webpreader.moc"
