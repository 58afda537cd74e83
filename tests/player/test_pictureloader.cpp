#include "player/PictureLoader.h"

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
};

namespace {
QString testData(const QString& sub = QString()) {
    return QStringLiteral(LUMORA_TESTDATA "/") + sub;
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
        QVERIFY2(reduced.ok == own.ok, qPrintable(path));
        if (own.ok) {
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

    const LoadedPicture own = picture_loader::decode(path, ShowGeometry{QSize(800, 600), false, false});
    QCOMPARE(own.image.size(), QSize(4000, 3000));
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
