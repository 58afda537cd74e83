#include "ToolPictures.h"
#include "picture/JxlReader.h"
#include "picture/PictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace tool_pictures;

class JxlReaderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesMatchDjxl_data();
    void picturesMatchDjxl();
    void headersBeyondTheLimitAreRefusedUndecoded();

private:
    QTemporaryDir dir_;
};

void JxlReaderTest::picturesMatchDjxl_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("p3"); // pixels in Display P3, given with their profile; others are sRGB
    const auto made = [&](const char* name) { return dir_.filePath(name); };
    QVERIFY(sample(QImage::Format_RGB32).save(made("plain.png")));
    QVERIFY(sample(QImage::Format_ARGB32).save(made("alpha.png")));
    QVERIFY(sample(QImage::Format_RGBX64).save(made("deep.png")));
    QVERIFY(sample(QImage::Format_Grayscale8).save(made("grey.png")));
    QImage p3 = sample(QImage::Format_RGB32);
    p3.setColorSpace(QColorSpace::DisplayP3);
    QVERIFY(p3.save(made("p3.png")));
    const auto turned = [](int orientation) {
        return QStringLiteral(LUMORA_TESTDATA "/exif-orientation-examples/Landscape_%1.jpg").arg(orientation);
    };
    const struct {
        const char* name;
        QString from;
        QStringList options;
    } pictures[] = {
        {"lossless.jxl", made("plain.png"), {"-d", "0"}},
        {"alpha.jxl", made("alpha.png"), {"-d", "0"}},
        {"deep.jxl", made("deep.png"), {"-d", "0"}},
        {"grey.jxl", made("grey.png"), {"-d", "0"}},
        {"lossy.jxl", made("plain.png"), {"-d", "1"}},
        {"p3.jxl", made("p3.png"), {"-d", "0"}},
        {"p3lossy.jxl", made("p3.png"), {"-d", "1"}},
        // JPEGs carried over keep their EXIF orientation as the picture's own.
        {"mirrored.jxl", turned(2), {}},
        {"turned.jxl", turned(6), {}},
        {"transverse.jxl", turned(7), {}},
    };
    for (const auto& p : pictures) {
        run("cjxl", QStringList{p.from, made(p.name)} + p.options);
        const bool photo = p.from.endsWith(".jpg");
        QTest::newRow(p.name) << made(p.name) << (photo ? QSize(1800, 1200) : QSize(96, 64))
                              << p.from.endsWith("alpha.png") << p.from.endsWith("p3.png");
    }
}

void JxlReaderTest::picturesMatchDjxl() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QFETCH(bool, p3);
    const LoadedPicture loaded = picture_loader::decode(path);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.size, size);
    QCOMPARE(loaded.image.hasAlphaChannel(), alpha);
    // djxl writes deeper pictures as 16-bit PNGs, which round to 8 bits within one.
    run("djxl", {path, path + ".png"});
    QVERIFY(largestDifference(loaded.image, referenceInSrgb(path + ".png")) <= 1);
    const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(50, 40), false, false});
    QVERIFY(part.ok && !part.region.isEmpty());
    QCOMPARE(largestDifference(part.image, loaded.image.copy(part.region)), 0);
    const std::atomic<bool> cancelled{true};
    QVERIFY(!picture_loader::decode(path, std::nullopt, nullptr, &cancelled).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const JxlReader reader(file);
    QCOMPARE(reader.iccProfile().isEmpty(), !p3);
    if (p3)
        QCOMPARE(QColorSpace::fromIccProfile(reader.iccProfile()).primaries(),
                 QColorSpace::Primaries::DciP3D65);
}

void JxlReaderTest::headersBeyondTheLimitAreRefusedUndecoded() {
    // A 48 MP phone picture, one beyond 2^26 pixels, a header bomb, a side too long.
    for (const QSize claimed :
         {QSize(8000, 6000), QSize(10000, 7000), QSize(60000, 60000), QSize(70000, 16)}) {
        // A bare codestream: its size in full (30 bits a side) and default metadata, then nothing but
        // the zeros the library wants before it gives the colour encoding.
        QByteArray bytes("\xff\x0a", 2);
        bytes.append(4096, '\0');
        int bit = 16;
        const auto put = [&](quint32 value, int count) {
            for (int i = 0; i < count; ++i, ++bit)
                bytes[bit / 8] = char(bytes[bit / 8] | (((value >> i) & 1) << (bit % 8)));
        };
        put(0b110, 3);
        put(quint32(claimed.height() - 1), 30);
        put(0b11000, 5);
        put(quint32(claimed.width() - 1), 30);
        put(1, 1);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const JxlReader reader(buffer);
        QCOMPARE(reader.size(), claimed.width() == 8000 ? claimed : QSize());
    }
}

QTEST_GUILESS_MAIN(JxlReaderTest)
#include "test_jxlreader.moc"
