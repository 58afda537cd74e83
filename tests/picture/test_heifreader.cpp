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
    void displayP3ByCodePointsIsConverted();

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
        {"plain.heic", "plain.png", "-q", "90"},
        {"deep10.heic", "deep.png", "-b", "10"},
        {"deep12.heic", "deep.png", "-b", "12"},
        {"alpha.heic", "alpha.png"},
        {"plain.avif", "plain.png"},
        {"alpha.avif", "alpha.png"},
        {"deep12.avif", "deep.png", "-b", "12", "-p", "chroma=444"},
        {"deep10alpha.heic", "deepalpha.png", "-b", "10"},
    };
    for (const QStringList& m : made) {
        run("heif-enc", QStringList{dir_.filePath(m[1]), "-o", dir_.filePath(m[0])} + m.mid(2));
        QTest::newRow(qPrintable(m[0]))
            << dir_.filePath(m[0]) << QSize(96, 64) << m[1].contains("alpha") << false;
    }
    // Limited range and BT.709's matrix, in the box that gives them.
    QFile plain(dir_.filePath("plain.avif"));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QByteArray limited = plain.readAll();
    const qsizetype nclx = limited.indexOf("colrnclx");
    QVERIFY(nclx > 0);
    limited[nclx + 13] = 1;
    limited[nclx + 14] = 0;
    QFile out(dir_.filePath("limited709.avif"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(limited) == limited.size());
    QTest::newRow("limited709.avif") << out.fileName() << QSize(96, 64) << false << false;
    const auto kept = [&](const char* name, QSize size, bool alpha = false, bool profiled = false) {
        QTest::newRow(name) << pillow(name) << size << alpha << profiled;
    };
    kept("exif.avif", QSize(512, 512));
    kept("hopper.avif", QSize(128, 128));
    kept("hopper-missing-pixi.avif", QSize(128, 128));
    kept("icc_profile.avif", QSize(57, 57), false, true);
    kept("icc_profile_none.avif", QSize(57, 57));
    kept("transparency.avif", QSize(64, 64), true);
    kept("xmp_tags_orientation.avif", QSize(326, 268), false, true);
    // Stored 427 x 640, turned and mirrored by their boxes.
    for (const char* turned : {"rot0mir0.avif", "rot0mir1.avif", "rot1mir0.avif", "rot1mir1.avif",
                               "rot2mir0.avif", "rot2mir1.avif", "rot3mir0.avif", "rot3mir1.avif"})
        kept(turned, QSize(640, 427));
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

void HeifReaderTest::displayP3ByCodePointsIsConverted() {
    // Display P3 as phones give it: code points 12 (P3's primaries, D65's white) and 13 (sRGB's curve),
    // and no profile. The reference: the tool's pixels through a P3 profile made here.
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &p3, curves);
    cmsUInt32Number bytes = 0;
    QVERIFY(cmsSaveProfileToMem(profile, nullptr, &bytes));
    QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
    QVERIFY(cmsSaveProfileToMem(profile, icc.data(), &bytes));
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);

    // heif-enc of Debian 12 writes no code points of its own: Pillow's picture, marked P3 in its box.
    QFile file(pillow("hopper.avif"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes709 = file.readAll();
    const qsizetype box = bytes709.indexOf("colrnclx");
    QVERIFY(box > 0 && bytes709.mid(box + 8, 4) == QByteArray("\0\x01\0\x0D", 4));
    QByteArray bytesP3 = bytes709;
    bytesP3[box + 9] = 12;
    const QString path = dir_.filePath("p3.avif");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytesP3) == bytesP3.size());
    out.close();

    const LoadedPicture loaded = picture_loader::decode(path);
    QVERIFY(loaded.ok);
    run("heif-convert", {path, path + ".png"});
    const QImage stored(path + ".png");
    QImage expected = stored;
    QVERIFY(colour_profile::toSrgb(expected, icc));
    QVERIFY(largestDifference(loaded.image, expected) <= 1);
    QVERIFY(largestDifference(loaded.image, stored) > 10);
}

QTEST_GUILESS_MAIN(HeifReaderTest)
#include "test_heifreader.moc"
