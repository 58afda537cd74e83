#include "ToolPictures.h"
#include "picture/ColourProfile.h"
#include "picture/HeifReader.h"
#include "picture/PictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <lcms2.h>

using namespace tool_pictures;

class HeifReaderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesMatchHeifConvert_data();
    void picturesMatchHeifConvert();
    void headersBeyondTheLimitAreRefusedUndecoded();

private:
    QTemporaryDir dir_;
};

namespace {
QString pillow(const QString& name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}
} // namespace

void HeifReaderTest::picturesMatchHeifConvert_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("profiled");
    QVERIFY(sample(QImage::Format_RGB32).save(dir_.filePath("plain.png")));
    QVERIFY(sample(QImage::Format_ARGB32).save(dir_.filePath("alpha.png")));
    QVERIFY(sample(QImage::Format_RGBX64).save(dir_.filePath("deep.png")));
    QVERIFY(sample(QImage::Format_RGBA64).save(dir_.filePath("deepalpha.png")));
    const QStringList made[] = {
        {"plain.heic", "plain.png", "-q", "90"},           {"deep10.heic", "deep.png", "-b", "10"},
        {"deep12.heic", "deep.png", "-b", "12"},           {"alpha.heic", "alpha.png"},
        {"deep10alpha.heic", "deepalpha.png", "-b", "10"},
    };
    for (const QStringList& m : made) {
        run("heif-enc", QStringList{dir_.filePath(m[1]), "-o", dir_.filePath(m[0])} + m.mid(2));
        QTest::newRow(qPrintable(m[0]))
            << dir_.filePath(m[0]) << QSize(96, 64) << m[1].contains("alpha") << false;
    }
}

void HeifReaderTest::picturesMatchHeifConvert() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QFETCH(bool, profiled);
    const LoadedPicture loaded = picture_loader::decode(path);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.size, size);
    QCOMPARE(loaded.image.hasAlphaChannel(), alpha);
    // libpng will not write the profile of icc_profile.avif: its twin without one has its pixels. Deeper
    // pictures come as 16-bit PNGs, which round to 8 bits within one.
    const QString reference = dir_.filePath(QFileInfo(path).fileName() + ".png");
    run("heif-convert", {QString(path).replace("icc_profile.avif", "icc_profile_none.avif"), reference});
    QVERIFY(largestDifference(loaded.image, referenceInSrgb(reference)) <= 1);
    const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(50, 40), false, false});
    QVERIFY(part.ok && !part.region.isEmpty());
    QCOMPARE(largestDifference(part.image, loaded.image.copy(part.region)), 0);
    const std::atomic<bool> cancelled{true};
    QVERIFY(!picture_loader::decode(path, std::nullopt, nullptr, &cancelled).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const HeifReader reader(file);
    QCOMPARE(QColorSpace::fromIccProfile(reader.iccProfile()).isValid(), profiled);
}

void HeifReaderTest::headersBeyondTheLimitAreRefusedUndecoded() {
    QFile made(pillow("hopper.avif"));
    QVERIFY(made.open(QIODevice::ReadOnly));
    const QByteArray small = made.readAll();
    const qsizetype box = small.indexOf("ispe");
    QVERIFY(box > 0);
    // A 48 MP phone picture, one beyond 2^26 pixels, a header bomb, a side too long.
    for (const QSize claimed :
         {QSize(8000, 6000), QSize(10000, 7000), QSize(60000, 60000), QSize(70000, 16)}) {
        QByteArray bytes = small;
        for (int i = 0; i < 4; ++i) {
            bytes[box + 8 + i] = char(quint32(claimed.width()) >> (24 - 8 * i));
            bytes[box + 12 + i] = char(quint32(claimed.height()) >> (24 - 8 * i));
        }
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const HeifReader reader(buffer);
        QCOMPARE(reader.size(), claimed.width() == 8000 ? claimed : QSize());
    }
}

QTEST_GUILESS_MAIN(HeifReaderTest)
#include "test_heifreader.moc"
