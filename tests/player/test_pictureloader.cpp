#include "player/PictureLoader.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

class PictureLoaderTest : public QObject {
    Q_OBJECT
private slots:
    void everyPublicTestPictureLoadsOrFailsCleanly();
    void goodBitmapsAllDecode();
    void photosStandUpright();
    void jpegsDecodeReducedButKeepTheirOwnSize();
    void absurdDimensionsAreRefused();
    void reducedJpegsMatchQtsOwnDecoding();
    void stretchedPicturesAreHeldForAPlainCopy();
    void ownSizeDecodesWhatIsOnScreenTheRightWayUp();
    void claimedHugePicturesStayWithinTheScreen();
};

namespace {
QString testData(const QString& sub = QString()) {
    return QStringLiteral(LUMORA_TESTDATA "/") + sub;
}

// Mean difference per channel over every third pixel of two images of one size.
double meanDifference(const QImage& a, const QImage& b) {
    double difference = 0;
    int samples = 0;
    for (int y = 0; y < a.height(); y += 3)
        for (int x = 0; x < a.width(); x += 3) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            difference +=
                std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
            samples += 3;
        }
    return samples ? difference / samples : 0;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}
} // namespace

void PictureLoaderTest::everyPublicTestPictureLoadsOrFailsCleanly() {
    QDirIterator it(testData(),
                    {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.BMP", "*.GIF", "*.JPG", "*.dib", "*"},
                    QDir::Files, QDirIterator::Subdirectories);
    int files = 0, decoded = 0;
    const ShowGeometry stretched{QSize(1920, 1080), true, true};
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(".md") || path.endsWith(".txt") || path.endsWith(".tsv") ||
            path.contains("/LICENSES/"))
            continue;
        ++files;
        const LoadedPicture own = picture_loader::decode(path);
        const LoadedPicture reduced = picture_loader::decode(path, stretched);
        // Shown on a screen, a picture that decodes only whole is refused beyond four screens
        // (a 253-byte BMP of the set claims 48 megapixels).
        const bool beyondScreens = !reduced.ok && own.ok && !path.endsWith(".jpg") &&
                                   qint64(own.size.width()) * own.size.height() > (qint64(1) << 24);
        QVERIFY2(reduced.ok == own.ok || beyondScreens, qPrintable(path));
        if (reduced.ok) {
            ++decoded;
            QVERIFY2(!own.image.isNull(), qPrintable(path));
            QCOMPARE(reduced.size, own.size);
        }
    }
    QVERIFY(files > 500);
    QVERIFY(decoded > 200);
    qInfo("%d of %d files decoded", decoded, files);
}

void PictureLoaderTest::goodBitmapsAllDecode() {
    QDirIterator it(testData("bmpsuite-2.8/g"), {"*.bmp"}, QDir::Files);
    int count = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const LoadedPicture p = picture_loader::decode(path);
        QVERIFY2(p.ok && !p.image.isNull(), qPrintable(path));
        QCOMPARE(p.size, p.image.size());
        ++count;
    }
    QCOMPARE(count, 27);
}

void PictureLoaderTest::photosStandUpright() {
    // Orientations 5 to 8 turn the stored picture a quarter: the upright size is the other way round.
    for (int o = 1; o <= 8; ++o) {
        const LoadedPicture land =
            picture_loader::decode(testData(QString("exif-orientation-examples/Landscape_%1.jpg").arg(o)));
        QVERIFY(land.ok);
        QVERIFY2(land.size.width() > land.size.height(), qPrintable(QString::number(o)));
        QCOMPARE(land.image.size(), land.size);
        const LoadedPicture port =
            picture_loader::decode(testData(QString("exif-orientation-examples/Portrait_%1.jpg").arg(o)),
                                   ShowGeometry{QSize(320, 200), true, true});
        QVERIFY(port.ok);
        QVERIFY2(port.size.height() > port.size.width(), qPrintable(QString::number(o)));
        QVERIFY(port.image.height() > port.image.width());
    }
}

void PictureLoaderTest::jpegsDecodeReducedButKeepTheirOwnSize() {
    QTemporaryDir dir;
    QImage big(4000, 3000, QImage::Format_RGB32);
    big.fill(Qt::darkCyan);
    const QString path = dir.filePath("big.jpg");
    QVERIFY(big.save(path, "JPG", 80));

    const LoadedPicture shown = picture_loader::decode(path, ShowGeometry{QSize(800, 600), true, true});
    QVERIFY(shown.ok);
    QCOMPARE(shown.size, QSize(4000, 3000));
    QVERIFY(shown.image.width() >= 800 && shown.image.height() >= 600);
    QVERIFY(shown.image.width() < 4000);

    // At its own size only the middle, which is on screen, is decoded.
    const LoadedPicture own = picture_loader::decode(path, ShowGeometry{QSize(800, 600), false, false});
    QCOMPARE(own.size, QSize(4000, 3000));
    QCOMPARE(own.region, QRect(1600, 1200, 800, 600));
    QCOMPARE(own.image.size(), QSize(800, 600));
}

void PictureLoaderTest::absurdDimensionsAreRefused() {
    QTemporaryDir dir;
    // A BMP header claiming 60000 x 60000 pixels with almost no data behind it.
    QByteArray bmp(54, '\0');
    auto put32 = [&bmp](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, 60000);
    put32(22, 60000);
    bmp[26] = 1;
    bmp[28] = 24;
    bmp += QByteArray(16, '\x7f');
    QFile f(dir.filePath("huge.bmp"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bmp) == bmp.size());
    f.close();
    QVERIFY(!picture_loader::decode(f.fileName()).ok);
    QVERIFY(!picture_loader::decode(dir.filePath("absent.bmp")).ok);
    const LoadedPicture empty = picture_loader::decode(QString());
    QVERIFY(empty.ok && empty.image.isNull());
}

void PictureLoaderTest::reducedJpegsMatchQtsOwnDecoding() {
    // The fast path (libjpeg's eighths, a streaming resample, our own EXIF turn) against Qt's reader
    // scaled the slow way: the same picture, the same way up, at the size shown.
    const ShowGeometry screen{QSize(400, 300), true, true};
    QStringList files;
    for (int o = 1; o <= 8; ++o)
        files << testData(QString("exif-orientation-examples/Landscape_%1.jpg").arg(o))
              << testData(QString("exif-orientation-examples/Portrait_%1.jpg").arg(o));
    files << testData("wuffs/peacock.progressive.jpeg") << testData("pillow/hopper_gray.jpg")
          << testData("wuffs/peacock.s2x1-422.jpeg");
    for (const QString& path : files) {
        const LoadedPicture fast = picture_loader::decode(path, screen);
        QVERIFY2(fast.ok, qPrintable(path));
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage reference = reader.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(fast.size, reference.size());
        QCOMPARE(fast.image.size(), picture_loader::shownSize(fast.size, screen));
        const QImage expected =
            reference.scaled(fast.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double difference = 0;
        for (int y = 0; y < expected.height(); y += 3)
            for (int x = 0; x < expected.width(); x += 3) {
                const QColor a = fast.image.pixelColor(x, y), b = expected.pixelColor(x, y);
                difference += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                              std::abs(a.blue() - b.blue());
            }
        difference /= 3.0 * ((expected.height() + 2) / 3) * ((expected.width() + 2) / 3);
        QVERIFY2(difference < 8, qPrintable(path + ": " + QString::number(difference)));
    }
}

void PictureLoaderTest::stretchedPicturesAreHeldForAPlainCopy() {
    // Stretched pictures come out in the format the window paints with, at every scale (which
    // reaches other eighths of libjpeg and other resampling ratios), reduced or enlarged, from our
    // JPEG decoder or from Qt's readers; only a picture with transparency keeps its alpha.
    const QStringList files{testData("exif-orientation-examples/Landscape_6.jpg"),
                            testData("wuffs/peacock.progressive.jpeg"), testData("pillow/hopper_gray.jpg")};
    for (const double ratio : {1.0, 1.5, 2.0}) {
        const ShowGeometry screen{QSize(400, 300), true, true, ratio};
        for (const QString& path : files) {
            const LoadedPicture picture = picture_loader::decode(path, screen);
            QVERIFY2(picture.ok, qPrintable(path));
            QCOMPARE(picture.image.size(), picture_loader::shownSize(picture.size, screen));
            QCOMPARE(picture.image.format(), QImage::Format_RGB32);
            // The filler byte is set: painting may well take the word as it stands.
            const QImage& image = picture.image;
            const QRgb middle =
                reinterpret_cast<const QRgb*>(image.constScanLine(image.height() / 2))[image.width() / 2];
            QCOMPARE(middle >> 24, 0xffu);
        }
    }
}

QTEST_MAIN(PictureLoaderTest)
#include "test_pictureloader.moc"

void PictureLoaderTest::ownSizeDecodesWhatIsOnScreenTheRightWayUp() {
    // Photos larger than the screen, in every EXIF orientation: the part decoded is the middle of
    // the upright picture, as Qt's reader turns it.
    const ShowGeometry screen{QSize(640, 480), false, false};
    for (int o = 1; o <= 8; ++o) {
        for (const char* kind : {"Landscape", "Portrait"}) {
            const QString path = testData(QString("exif-orientation-examples/%1_%2.jpg").arg(kind).arg(o));
            const LoadedPicture part = picture_loader::decode(path, screen);
            QVERIFY2(part.ok, qPrintable(path));
            QImageReader reader(path);
            reader.setAutoTransform(true);
            const QImage whole = reader.read().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(part.size, whole.size());
            const QRect middle((whole.width() - 640) / 2, (whole.height() - 480) / 2, 640, 480);
            QCOMPARE(part.region, middle);
            QCOMPARE(part.image.size(), middle.size());
            QVERIFY2(meanDifference(part.image, whole.copy(middle)) < 2.0, qPrintable(path));
        }
    }
}

void PictureLoaderTest::claimedHugePicturesStayWithinTheScreen() {
    QTemporaryDir dir;
    // A JPEG header claiming 16384 x 16384 over the data of a 16 x 16 picture.
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(small.save(&buffer, "JPG"));
    QByteArray jpeg = buffer.data();
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    QVERIFY(sof > 0);
    jpeg[sof + 5] = jpeg[sof + 7] = char(0x40);
    jpeg[sof + 6] = jpeg[sof + 8] = 0;
    const QString jpegPath = writeFile(dir, "huge.jpg", jpeg);
    // A 35-byte GIF of 16000 x 16000, and a 1 KB run-length BMP of the same size.
    const QString gifPath = writeFile(
        dir, "huge.gif",
        QByteArray::fromHex("474946383961803e803e800000000000ffffff2c00000000803e803e0002024401003b"));
    QByteArray bmp =
        QByteArray::fromHex("424d3804000000000000360400002800000"
                            "0803e0000803e000001000000100000002000000130b0000130b00000001000000000000");
    for (int i = 0; i < 256; ++i)
        bmp += QByteArray(3, char(i)) + '\0';
    bmp += QByteArray::fromHex("0001");
    const QString bmpPath = writeFile(dir, "huge.bmp", bmp);

    const QSize screen(1920, 1080);
    for (const ShowGeometry& way : {ShowGeometry{screen, false, false}, ShowGeometry{screen, true, true}}) {
        const LoadedPicture p = picture_loader::decode(jpegPath, way);
        QVERIFY(p.ok);
        QCOMPARE(p.size, QSize(16384, 16384));
        QVERIFY(qint64(p.image.width()) * p.image.height() <= 2 * qint64(screen.width()) * screen.width());
        // Formats that decode only whole are refused above their limit, rather than taking gigabytes.
        QVERIFY(!picture_loader::decode(gifPath, way).ok);
        QVERIFY(!picture_loader::decode(bmpPath, way).ok);
    }
}
