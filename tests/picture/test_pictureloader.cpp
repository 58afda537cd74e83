#include "picture/PictureLoader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QSet>

#include <QColorSpace>
#include <QDirIterator>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

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
    void bitmapsAndGifsGiveQtsPixelsAtTheirOwnSize();
    void recordedOutcomesHoldOrImprove();
    void questionableBitmapsShowTheSuitesPicture();
    void reducedBitmapsAndGifsMatchQtsSmoothScaling();
    void gifFramesShowOnTheirScreensBackground();
    void picturesBeyondFourScreensAreShown();
    void cmykJpegsShowTheirColours();
    void pngSuiteGivesQtsPixels();
    void pillowsPngsAsQtReadsThem();
    void interlacedPngsAreHeldWholeWithinFourScreens();
};

namespace {
QString testData(const QString& sub = QString()) {
    return QStringLiteral(LUMORA_TESTDATA "/") + sub;
}

// A stretched picture is held at the size shown, unless it is shown larger in both directions: then
// as stored, for the paint to enlarge.
QSize heldSize(QSize stored, const ShowGeometry& screen) {
    const QSize shown = picture_loader::shownSize(stored, screen);
    return shown.width() >= stored.width() && shown.height() >= stored.height() ? stored : shown;
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

// The decode outcomes recorded for the test pictures: path -> whether Qt's reader decoded it.
QMap<QString, bool> recordedOutcomes() {
    QFile f(testData("decode-results.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no decode-results.tsv");
    QMap<QString, bool> outcomes;
    f.readLine();
    while (!f.atEnd()) {
        const QList<QByteArray> fields = f.readLine().trimmed().split('\t');
        if (fields.size() >= 5)
            outcomes.insert(QString::fromUtf8(fields[0]), fields[4] == "ok");
    }
    return outcomes;
}

// GIFs that Qt's reader shows as a box of nothing, while there is no row to decode: failed loads.
const QSet<QString>& undecodableGifs() {
    static const QSet<QString> files{
        "afl-testcases/gif_im/edges-only/images/id_000027_src_000000_op_flip1_pos_40_+cov.gif", // no rows
        "image-gif/crashtest/issue-117-out-of-range.gif", // its first code is out of range
        "pillow/no_palette.gif",                          // no colour table
        "wuffs/artificial-gif/pixel-data-none.gif",       // ends at once
        "wuffs/artificial-gif/pixel-data-not-enough.gif", // ends within the first row
        "wuffs/artificial-gif/zero-width-frame.gif",
    };
    return files;
}

bool isBitmapOrGif(const QString& path) {
    return path.endsWith(".bmp", Qt::CaseInsensitive) || path.endsWith(".gif", Qt::CaseInsensitive);
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
        // A fuzzed JPEG whose corruption libjpeg meets only when it scales.
        const bool scaledOnly = path.endsWith("id_001655_src_001333_op_flip2_pos_455.jpg");
        QVERIFY2(reduced.ok == own.ok || scaledOnly, qPrintable(path));
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

    // A PNG of four rows whose header claims 60000 of them: the data is judged by what it claims.
    QImage strip(60000, 4, QImage::Format_RGB32);
    strip.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && strip.save(&buffer, "PNG"));
    // IHDR: its height at bytes 20 to 23, its checksum over type and data at 29 to 32.
    for (int i = 0; i < 4; ++i)
        png[20 + i] = char((60000u >> (24 - 8 * i)) & 0xff);
    quint32 crc = 0xffffffffu;
    for (int i = 12; i < 29; ++i) {
        crc ^= quint8(png[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char((crc >> (24 - 8 * i)) & 0xff);
    const QString claimed = writeFile(dir, "claimed.png", png);
    QVERIFY(!picture_loader::decode(claimed).ok);
    QVERIFY(!picture_loader::decode(claimed, ShowGeometry{QSize(1920, 1080), true, true}).ok);
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
        QCOMPARE(fast.image.size(), heldSize(fast.size, screen));
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
    // reaches other eighths of libjpeg and other resampling ratios), reduced to the size shown or,
    // shown larger, as stored (the paint enlarges them), from our JPEG decoder or from Qt's readers;
    // only a picture with transparency keeps its alpha.
    const QStringList files{testData("exif-orientation-examples/Landscape_6.jpg"),
                            testData("wuffs/peacock.progressive.jpeg"), testData("pillow/hopper_gray.jpg")};
    for (const double ratio : {1.0, 1.5, 2.0}) {
        const ShowGeometry screen{QSize(400, 300), true, true, ratio};
        for (const QString& path : files) {
            const LoadedPicture picture = picture_loader::decode(path, screen);
            QVERIFY2(picture.ok, qPrintable(path));
            QCOMPARE(picture.image.size(), heldSize(picture.size, screen));
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

namespace {
// The picture at its own size in one format for comparing pixels.
QImage comparable(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Whether `ours` is the full-range value of some channel of fewer than 8 bits that Qt's reader
// gives as `qt`, shifted up with its low bits 0 (31 of 5 bits: 255 here, 248 there).
bool sameWidened(int ours, int qt) {
    for (int bits = 1; bits < 8; ++bits) {
        const int top = (1 << bits) - 1;
        const int value = (ours * top + 127) / 255;
        if ((value * 255 + top / 2) / top == ours && value << (8 - bits) == qt)
            return true;
    }
    return ours == qt;
}

bool sameWidened(QRgb ours, QRgb qt) {
    return sameWidened(qRed(ours), qRed(qt)) && sameWidened(qGreen(ours), qGreen(qt)) &&
           sameWidened(qBlue(ours), qBlue(qt)) && sameWidened(qAlpha(ours), qAlpha(qt));
}

// A BMP of bit fields, whose channels may be narrower than 8 bits.
bool hasBitFields(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(34);
    if (head.size() < 34 || !head.startsWith("BM"))
        return false;
    return head[28] == 16 || head[30] == 3 || head[30] == 6;
}

int differentPixels(const QImage& ours, const QImage& qt, bool widened = false) {
    const QImage a = comparable(ours), b = comparable(qt);
    int different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            // Fully transparent is transparent, whatever colour it carries.
            different += p != q && (qAlpha(p) || qAlpha(q)) && !(widened && sameWidened(p, q));
        }
    return different;
}
} // namespace

void PictureLoaderTest::bitmapsAndGifsGiveQtsPixelsAtTheirOwnSize() {
    // Every BMP and GIF that Qt's reader decodes comes out the same, pixel for pixel, except these,
    // where Qt's reader leaves memory as it found it or reads what the file does not mean.
    const QMap<QString, const char*> differ{
        {"pal8badindex.bmp", "indexes past the palette: black here"},
        {"shortfile.bmp", "cut short: the rows not there are black here"},
        {"Bad_shortfile.bmp", "cut short"},
        {"mmap_error.bmp", "cut short by a byte: its last row is black here"},
        {"pal8os2sp.bmp", "a short palette: Qt reads the pixels from where a full one would end"},
        {"rgb16-3103.bmp", "channels of more than 8 bits, which Qt's reader makes 0"},
        {"rgb32-111110.bmp", "channels of more than 8 bits"},
        {"rgb32-7187.bmp", "channels of more than 8 bits"},
        {"rgba16-1924.bmp", "channels of more than 8 bits"},
        {"rgba32-1010102.bmp", "channels of more than 8 bits"},
        {"rgba32-61754.bmp", "channels of more than 8 bits"},
        {"rgba32-81284.bmp", "channels of more than 8 bits"},
        {"badrle.bmp", "pixels no run-length code reaches: transparent here"},
        {"badrle4.bmp", "run-length codes past the rows"},
        {"badrle4bis.bmp", "run-length codes past the rows"},
        {"badrle4ter.bmp", "run-length codes past the rows"},
        {"badrlebis.bmp", "run-length codes past the rows"},
        {"badrleter.bmp", "run-length codes past the rows"},
        {"pal4rlecut.bmp", "run-length codes end early: the rest transparent here"},
        {"pal8rlecut.bmp", "run-length codes end early"},
        {"pal4rletrns.bmp", "pixels skipped by the codes: transparent here"},
        {"pal8rletrns.bmp", "pixels skipped by the codes"},
        {"hopper_rle8_row_overflow.bmp", "runs past the row's end: Qt writes them into the next row"},
        {"hippopotamus.interlaced.truncated.gif", "cut short in its first data block"},
    };
    QStringList unexpected;
    QSet<QString> seen;
    const auto outcomes = recordedOutcomes();
    for (auto it = outcomes.begin(); it != outcomes.end(); ++it) {
        // Fuzzed files differ in the pixels their corruption leaves; their outcomes are checked below.
        // Where this file's runs overflow, Qt's reader leaves whatever memory held: no fixed answer.
        if (!it.value() || !isBitmapOrGif(it.key()) || it.key().startsWith("afl-testcases/") ||
            undecodableGifs().contains(it.key()) || it.key().endsWith("/rle_overflow.bmp"))
            continue;
        const QString path = testData(it.key());
        const QString name = QFileInfo(path).fileName();
        const LoadedPicture ours = picture_loader::decode(path);
        QImageReader reader(path);
        const QImage qt = reader.read();
        QVERIFY2(ours.ok && !qt.isNull(), qPrintable(path));
        QCOMPARE(ours.size, qt.size());
        QCOMPARE(ours.image.size(), qt.size());
        if (differentPixels(ours.image, qt, hasBitFields(path))) {
            seen << name;
            if (!differ.contains(name))
                unexpected << it.key();
        }
    }
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
    for (auto it = differ.begin(); it != differ.end(); ++it)
        QVERIFY2(seen.contains(it.key()),
                 qPrintable(QString(it.key()) + " now matches: take it off the list"));
}

void PictureLoaderTest::recordedOutcomesHoldOrImprove() {
    // Every picture Qt's reader decoded decodes, shown either way, but for the GIFs that cannot be
    // decoded; of those it did not, exactly these do now (valid
    // variants Qt's reader does not know, and palettes longer than they need).
    const QSet<QString> better{
        "afl-testcases/jpeg_turbo/edges-only/images/id_001655_src_001333_op_flip2_pos_455.jpg",
        "bmpsuite-2.8/b/badpalettesize.bmp",
        "bmpsuite-2.8/q/pal2.bmp",
        "bmpsuite-2.8/q/pal2color.bmp",
        "bmpsuite-2.8/q/pal8os2v2-16.bmp",
        "bmpsuite-2.8/q/pal8oversizepal.bmp",
        "bmpsuite-2.8/q/rgb32h52.bmp",
        "bmpsuite-2.8/q/rgba32abf.bmp",
        "bmpsuite-2.8/q/rgba32h56.bmp",
        "image-rs-image/bad/bmp/Bad_clrsUsed.bmp",
        "image-rs-image/images/bmp/images/V3_A1_R5_G5_B5.bmp",
        "image-rs-image/images/bmp/images/V3_A1_R5_G5_B5_Top_Down.bmp",
        "image-rs-image/images/bmp/images/V3_A4_R4_G4_B4.bmp",
        "image-rs-image/images/bmp/images/V3_A4_R4_G4_B4_Top_Down.bmp",
        "image-rs-image/images/bmp/images/V3_R5_G6_B5.bmp",
        "image-rs-image/images/bmp/images/V3_R5_G6_B5_Top_Down.bmp",
        "image-rs-image/images/bmp/images/V3_X4_R4_G4_B4.bmp",
        "image-rs-image/images/bmp/images/V3_X4_R4_G4_B4_Top_Down.bmp",
        "image-rs-image/images/bmp/images/V3_X8_R8_G8_B8.bmp",
        "image-rs-image/images/bmp/images/V3_X8_R8_G8_B8_Top_Down.bmp",
        "image-rs-image/images/bmp/images/lenient/badpalettesize.bmp",
        "image-rs-image/images/bmp/images/lenient/pal8oversizepal.bmp",
        "image-rs-image/images/bmp/images/pal2.bmp",
        "image-rs-image/images/bmp/images/pal2color.bmp",
        "image-rs-image/images/bmp/images/rgba32abf.bmp",
    };
    const QSize screen(1920, 1080);
    QStringList wrong;
    const auto outcomes = recordedOutcomes();
    for (auto it = outcomes.begin(); it != outcomes.end(); ++it) {
        const bool expected =
            (it.value() && !undecodableGifs().contains(it.key())) || better.contains(it.key());
        for (const ShowGeometry& way :
             {ShowGeometry{screen, false, false}, ShowGeometry{screen, true, true}}) {
            const bool scaledOnly =
                it.key().endsWith("id_001655_src_001333_op_flip2_pos_455.jpg") && way.stretch;
            if (picture_loader::decode(testData(it.key()), way).ok != (expected && !scaledOnly))
                wrong << it.key() + (way.stretch ? " stretched" : " own size");
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("\n")));
}

void PictureLoaderTest::questionableBitmapsShowTheSuitesPicture() {
    // The suite draws one picture in every variant: the odd ones Qt's reader gets wrong or cannot
    // read show it as the plain file of their depth does (the 8-bit files share one palette).
    const struct {
        const char* file;
        const char* reference;
        double within;
    } table[] = {
        {"q/pal8os2sp.bmp", "g/pal8.bmp", 0},       {"q/pal8os2v2-16.bmp", "g/pal8.bmp", 0},
        {"q/pal8oversizepal.bmp", "g/pal8.bmp", 0}, {"b/badpalettesize.bmp", "g/pal8.bmp", 0},
        {"q/rgb32h52.bmp", "g/rgb24.bmp", 0},       {"q/rgb16-3103.bmp", "g/rgb24.bmp", 16},
        {"q/rgb32-111110.bmp", "g/rgb24.bmp", 2},   {"q/rgb32-7187.bmp", "g/rgb24.bmp", 2},
    };
    for (const auto& row : table) {
        const LoadedPicture p = picture_loader::decode(testData(QString("bmpsuite-2.8/") + row.file));
        const LoadedPicture reference =
            picture_loader::decode(testData(QString("bmpsuite-2.8/") + row.reference));
        QVERIFY2(p.ok && reference.ok, row.file);
        QCOMPARE(p.image.size(), reference.image.size());
        const double difference = meanDifference(comparable(p.image), comparable(reference.image));
        QVERIFY2(difference <= row.within, qPrintable(QString("%1: %2").arg(row.file).arg(difference)));
    }
}

void PictureLoaderTest::reducedBitmapsAndGifsMatchQtsSmoothScaling() {
    // Reduced as the rows come, against Qt's reader and its smooth scaling; and at their own size
    // on a small screen, only the middle, as Qt's reader has it.
    const QStringList files{"bmpsuite-2.8/g/rgb24.bmp",     "bmpsuite-2.8/g/pal8.bmp",
                            "bmpsuite-2.8/g/pal4rle.bmp",   "bmpsuite-2.8/g/pal1.bmp",
                            "bmpsuite-2.8/g/rgb16-565.bmp", "bmpsuite-2.8/g/pal8topdown.bmp",
                            "bmpsuite-2.8/g/rgb32bf.bmp",   "image-rs-image/images/bmp/images/V4_24_Bit.bmp",
                            "wuffs/hibiscus.regular.gif",   "image-gif/samples/interlaced.gif",
                            "giflib/pic/x-trans.gif",       "pillow/transparent.gif"};
    for (const QString& file : files) {
        const QString path = testData(file);
        QImageReader reader(path);
        const QImage qt = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (const ShowGeometry& screen :
             {ShowGeometry{QSize(60, 40), true, false}, ShowGeometry{QSize(50, 30), true, true}}) {
            const LoadedPicture p = picture_loader::decode(path, screen);
            QVERIFY2(p.ok, qPrintable(path));
            QCOMPARE(p.size, qt.size());
            QCOMPARE(p.image.size(), picture_loader::shownSize(p.size, screen));
            const QImage expected =
                qt.scaled(p.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY2(meanDifference(comparable(p.image), comparable(expected)) < 4, qPrintable(path));
        }
        const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(24, 20), false, false});
        const QRect middle((qt.width() - 24) / 2, (qt.height() - 20) / 2, 24, 20);
        QCOMPARE(part.region, middle);
        QCOMPARE(differentPixels(part.image, qt.copy(middle), hasBitFields(path)), 0);
    }
}

namespace {
// A GIF of a red frame at `frame` on a screen of `screen` whose background is blue.
void writeGifFrame(const QString& path, QSize screen, QRect frame, bool interlaced) {
    const GifColorType colours[2] = {{0, 0, 255}, {255, 0, 0}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    int error = 0;
    GifFileType* gif = EGifOpenFileName(qPrintable(path), false, &error);
    QVERIFY(gif && map);
    QCOMPARE(EGifPutScreenDesc(gif, screen.width(), screen.height(), 8, 0, map), GIF_OK);
    QCOMPARE(
        EGifPutImageDesc(gif, frame.left(), frame.top(), frame.width(), frame.height(), interlaced, nullptr),
        GIF_OK);
    std::vector<GifPixelType> line(size_t(frame.width()), 1);
    for (int y = 0; y < frame.height(); ++y)
        QCOMPARE(EGifPutLine(gif, line.data(), frame.width()), GIF_OK);
    QCOMPARE(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(map);
}
} // namespace

void PictureLoaderTest::gifFramesShowOnTheirScreensBackground() {
    // The screen around a frame shows the background colour, reduced with the frame. Such a screen
    // may claim 65535 x 65535 in a few bytes: a picture of that size is then all but background,
    // and must still be ready as soon as one of its own size would be.
    struct Case {
        QSize screen;
        QRect frame;
        bool interlaced;
    };
    const Case cases[] = {
        {QSize(200, 150), QRect(100, 60, 40, 30), false},
        {QSize(200, 150), QRect(100, 60, 40, 30), true},
        {QSize(65535, 65535), QRect(16384, 16384, 32768, 16), false},
        {QSize(65535, 65535), QRect(16384, 16384, 32768, 16), true},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath("frame.gif");
        writeGifFrame(path, c.screen, c.frame, c.interlaced);
        for (const ShowGeometry& way :
             {ShowGeometry{QSize(60, 40), true, false}, ShowGeometry{QSize(50, 30), true, true}}) {
            const LoadedPicture p = picture_loader::decode(path, way);
            const QString what = QStringLiteral("%1x%2 %3 on %4x%5")
                                     .arg(c.screen.width())
                                     .arg(c.screen.height())
                                     .arg(c.interlaced ? "interlaced" : "in order")
                                     .arg(way.screen.width())
                                     .arg(way.screen.height());
            QVERIFY2(p.ok, qPrintable(what));
            QCOMPARE(p.size, c.screen);
            // What the screen looks like reduced: blue, and red where the frame falls.
            const QSize shown = p.image.size();
            const double sx = double(shown.width()) / c.screen.width(),
                         sy = double(shown.height()) / c.screen.height();
            const QRectF frame(c.frame.left() * sx, c.frame.top() * sy, c.frame.width() * sx,
                               c.frame.height() * sy);
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const QRectF pixel(x, y, 1, 1);
                    const QRectF red = pixel & frame;
                    const double share = red.width() * red.height();
                    const QColor got = p.image.pixelColor(x, y);
                    QVERIFY2(
                        std::abs(got.red() - 255 * share) <= 2 &&
                            std::abs(got.blue() - 255 * (1 - share)) <= 2 && got.green() == 0,
                        qPrintable(
                            QStringLiteral("%1: (%2, %3) is %4").arg(what).arg(x).arg(y).arg(got.name())));
                }
        }
    }
}

void PictureLoaderTest::picturesBeyondFourScreensAreShown() {
    // 65 megapixels in 8 MB, shown reduced and at its own size; cut to half, the half that is there.
    QTemporaryDir dir;
    QImage big(10240, 6400, QImage::Format_Mono);
    big.setColorTable({qRgb(0, 0, 128), qRgb(255, 255, 0)});
    for (int y = 0; y < big.height(); ++y)
        std::memset(big.scanLine(y), y < 3200 ? 0x0f : 0x00, size_t(big.bytesPerLine()));
    const QString path = dir.filePath("big.bmp");
    QVERIFY(big.save(path, "BMP"));
    const QSize screen(640, 400);
    const LoadedPicture shown = picture_loader::decode(path, ShowGeometry{screen, true, true});
    QVERIFY(shown.ok);
    QCOMPARE(shown.size, big.size());
    QCOMPARE(shown.image.size(), screen);
    // Four pixels of yellow and four of blue across in the top half, 16 to a pixel shown: an even mix.
    const QColor mixed = shown.image.pixelColor(320, 100);
    QVERIFY2(std::abs(mixed.red() - 128) < 3 && std::abs(mixed.blue() - 64) < 3, qPrintable(mixed.name()));
    QCOMPARE(shown.image.pixelColor(320, 300), QColor(0, 0, 128));

    const LoadedPicture own = picture_loader::decode(path, ShowGeometry{screen, false, false});
    QVERIFY(own.ok);
    QCOMPARE(own.region, QRect(4800, 3000, 640, 400));
    QCOMPARE(own.image.pixelColor(4, 0), QColor(255, 255, 0)); // row 3000: the top half
    QCOMPARE(own.image.pixelColor(4, 399), QColor(0, 0, 128));

    // Cut to half its rows: a BMP stores the bottom row first, so the bottom half is there.
    QFile f(path);
    QVERIFY(f.resize(f.size() / 2 + 100));
    const LoadedPicture cut = picture_loader::decode(path, ShowGeometry{screen, true, true});
    QVERIFY(cut.ok);
    QCOMPARE(cut.image.pixelColor(320, 300), QColor(0, 0, 128));
    QCOMPARE(cut.image.pixelColor(320, 100), QColor(Qt::black));
}

namespace {
// A JPEG of one CMYK colour (inks 0 to 255), written by libjpeg with Adobe's marker (inks stored
// inverted, as Photoshop does) or without it (as stored).
QByteArray cmykJpeg(QSize size, const uchar inks[4], bool adobe, bool ycck) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, ycck ? JCS_YCCK : JCS_CMYK);
    info.write_Adobe_marker = adobe;
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(size.width()) * 4);
    for (int x = 0; x < size.width(); ++x)
        for (int c = 0; c < 4; ++c)
            row[size_t(x) * 4 + c] = JSAMPLE(adobe ? 255 - inks[c] : inks[c]);
    while (info.next_scanline < info.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(length));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}
} // namespace

void PictureLoaderTest::cmykJpegsShowTheirColours() {
    // Full cyan ink over a quarter of black: (0, 191, 191) on screen, whether the inks are stored
    // as they are or inverted (Adobe), as CMYK or YCCK, decoded at its own size, in part or reduced.
    QTemporaryDir dir;
    const uchar inks[4] = {255, 0, 0, 64};
    const struct {
        bool adobe;
        bool ycck;
    } table[] = {{true, false}, {false, false}, {true, true}};
    for (const auto& row : table) {
        const QString path = writeFile(dir, "cmyk.jpg", cmykJpeg(QSize(600, 400), inks, row.adobe, row.ycck));
        for (const ShowGeometry& way :
             {ShowGeometry{QSize(1920, 1080), false, false}, ShowGeometry{QSize(300, 200), false, false},
              ShowGeometry{QSize(320, 200), true, true}, ShowGeometry{QSize(1920, 1080), true, false}}) {
            const LoadedPicture p = picture_loader::decode(path, way);
            QVERIFY(p.ok);
            QCOMPARE(p.size, QSize(600, 400));
            const QColor c = p.image.pixelColor(p.image.width() / 2, p.image.height() / 2);
            const QString what = QString("adobe %1 ycck %2 stretch %3 screen %4: %5")
                                     .arg(row.adobe)
                                     .arg(row.ycck)
                                     .arg(way.stretch)
                                     .arg(way.screen.width())
                                     .arg(c.name());
            QVERIFY2(c.red() < 6 && std::abs(c.green() - 191) < 6 && std::abs(c.blue() - 191) < 6,
                     qPrintable(what));
        }
    }
}

void PictureLoaderTest::pngSuiteGivesQtsPixels() {
    // Every picture of the suite but its corrupt ones (named x...) decodes, shown either way, and at
    // its own size comes out as Qt's reader gives it, pixel for pixel, except these.
    const QMap<QString, const char*> differ{
        {"tbbn2c16.png", "a transparent colour of 16 bits, which Qt's reader shows opaque"},
        {"tbgn2c16.png", "a transparent colour of 16 bits"},
    };
    // Its data's checksum is wrong, yet the data inflates whole and passes zlib's own check, and the
    // checksum comes only after the rows: shown, as a file cut short shows its rows.
    const QSet<QString> corruptButWhole{"xcsn0g01.png"};
    QStringList unexpected;
    int files = 0;
    QDirIterator it(testData("pngsuite"), {"*.png"}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        ++files;
        const bool corrupt = name.startsWith('x');
        const bool shown = !corrupt || corruptButWhole.contains(name);
        const LoadedPicture ours = picture_loader::decode(path);
        const LoadedPicture reduced = picture_loader::decode(path, ShowGeometry{QSize(16, 12), true, true});
        const QImage qt = QImageReader(path).read();
        if (ours.ok != shown || reduced.ok != shown || qt.isNull() != corrupt) {
            unexpected << name +
                              QString(" decodes: %1 %2 Qt %3").arg(ours.ok).arg(reduced.ok).arg(!qt.isNull());
            continue;
        }
        if (corrupt)
            continue;
        if (ours.size != qt.size() || ours.image.size() != qt.size())
            unexpected << name + " size";
        else if (const int n = differentPixels(ours.image, qt); n != 0 && !differ.contains(name))
            unexpected << name + QString(": %1 pixels differ").arg(n);
        else if (n == 0 && differ.contains(name))
            unexpected << name + " is as Qt's";
        // Reduced as the rows come (interlaced ones once whole), against Qt's smooth scaling; compared
        // premultiplied, as painted, since the colour of a nearly transparent pixel hardly shows.
        const QImage a = reduced.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage b = qt.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                             .scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        qint64 difference = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width() * 4; ++x)
                difference += std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
        if (!differ.contains(name) && difference >= 2 * qint64(a.width()) * a.height() * 4)
            unexpected << name + QString(" reduced: %1 a channel")
                                     .arg(double(difference) / (a.width() * a.height() * 4));
    }
    QCOMPARE(files, 175);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join("\n")));
}

void PictureLoaderTest::pillowsPngsAsQtReadsThem() {
    // Pillow's cut, corrupt, oversized and animated PNGs: each shows (at Qt's size, its colours where
    // it carries no profile) or fails as Qt's reader has it, but for these.
    const QMap<QString, const char*> ownOutcome{
        // Qt's reader shows nothing of a picture whose data stops or breaks part way; the rows
        // before the break show, as for a file cut short anywhere else.
        {"broken_data_stream.png", "its deflate stream breaks within the rows"},
        {"truncated_image.png", "cut within the rows"},
        {"truncated_end_chunk.png", "cut within its last chunk, after the rows"},
    };
    QStringList unexpected;
    int files = 0;
    QDirIterator it(testData("pillow-modern"), {"*.png"}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        ++files;
        const LoadedPicture ours = picture_loader::decode(path);
        QImageReader reader(path);
        const QImage qt = reader.read();
        const bool expected = !qt.isNull() != ownOutcome.contains(name);
        if (ours.ok != expected) {
            unexpected << name + QString(": ours %1, Qt's %2").arg(ours.ok).arg(!qt.isNull());
            continue;
        }
        if (!ours.ok || qt.isNull())
            continue;
        if (ours.size != qt.size())
            unexpected << name + " size";
        else if (!qt.colorSpace().isValid() && differentPixels(ours.image, qt) != 0)
            unexpected << name + " pixels";
    }
    QCOMPARE(files, 76);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join("\n")));
}

namespace {
// An RGB PNG of one colour, its rows written one by one (each Adam7 pass over again).
void writePng(const QString& path, QSize size, QRgb colour, bool interlaced) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!file || !png || !info || setjmp(png_jmpbuf(png)))
        qFatal("cannot write %s", qPrintable(path));
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 8, PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(size.width()) * 3);
    for (size_t x = 0; x < row.size(); x += 3) {
        row[x] = png_byte(qRed(colour));
        row[x + 1] = png_byte(qGreen(colour));
        row[x + 2] = png_byte(qBlue(colour));
    }
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < size.height(); ++y)
            png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}
} // namespace

void PictureLoaderTest::interlacedPngsAreHeldWholeWithinFourScreens() {
    // An interlaced picture finishes its rows only in the last pass: it is held whole, so that on a
    // small screen one of 18 megapixels is refused, while the same picture in rows is shown.
    QTemporaryDir dir;
    const ShowGeometry screen{QSize(640, 400), true, true};
    const QRgb colour = qRgb(200, 40, 90);
    writePng(dir.filePath("small.png"), QSize(1600, 1000), colour, true);
    writePng(dir.filePath("big.png"), QSize(6000, 3000), colour, true);
    writePng(dir.filePath("rows.png"), QSize(6000, 3000), colour, false);
    const LoadedPicture small = picture_loader::decode(dir.filePath("small.png"), screen);
    QVERIFY(small.ok);
    QCOMPARE(small.image.size(), QSize(640, 400));
    QCOMPARE(small.image.pixel(320, 200), colour);
    QVERIFY(!picture_loader::decode(dir.filePath("big.png"), screen).ok);
    const LoadedPicture rows = picture_loader::decode(dir.filePath("rows.png"), screen);
    QVERIFY(rows.ok);
    QCOMPARE(rows.size, QSize(6000, 3000));
    QCOMPARE(rows.image.pixel(320, 200), colour);
}
