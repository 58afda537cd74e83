#include "ToolPictures.h"
#include "picture/PictureLoader.h"
#include "picture/colour/ColourProfile.h"
#include "picture/readers/HeifBoxes.h"
#include "picture/readers/HeifReader.h"
#include "picture/reduce/Orientation.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <lcms2.h>
#include <libheif/heif.h>

using namespace tool_pictures;

class HeifReaderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesMatchHeifConvert_data();
    void picturesMatchHeifConvert();
    void headersBeyondTheLimitAreRefusedUndecoded();
    void heicDisplayP3ByCodePointsIsConverted_data();
    void heicDisplayP3ByCodePointsIsConverted();
    void heicTurnsAndMirrorsAtEveryDepth_data();
    void heicTurnsAndMirrorsAtEveryDepth();
    void turnsAndMirrorsMakeTheirOrientation();

private:
    QTemporaryDir dir_;
};

namespace {
QString pillow(const QString& name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}

// Display P3 as an ICC profile made by Little CMS: P3's primaries, D65's white, sRGB's curve.
QByteArray displayP3Profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &p3, curves);
    cmsUInt32Number bytes = 0;
    cmsSaveProfileToMem(profile, nullptr, &bytes);
    QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
    cmsSaveProfileToMem(profile, icc.data(), &bytes);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return icc;
}

// `picture` encoded by libheif's own API as HEIC of `bits` with the EXIF `orientation`, which
// libheif writes as its 'irot' and 'imir' boxes, and marked Display P3 by code points where `p3`
// (which libheif 1.15 writes into the HEVC configuration only).
bool encodeHeic(const QImage& picture, int bits, int orientation, const QString& path, bool p3 = false) {
    const int w = picture.width(), h = picture.height();
    heif_image* image = nullptr;
    if (heif_image_create(w, h, heif_colorspace_RGB,
                          bits == 8 ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RRGGBB_LE, &image)
            .code)
        return false;
    heif_image_add_plane(image, heif_channel_interleaved, w, h, bits);
    int stride = 0;
    uint8_t* p = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int most = (1 << bits) - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = picture.pixel(x, y);
            const int v[3] = {qRed(c), qGreen(c), qBlue(c)};
            for (int i = 0; i < 3; ++i) {
                if (bits == 8)
                    p[y * stride + x * 3 + i] = uint8_t(v[i]);
                else
                    reinterpret_cast<uint16_t*>(p + y * stride)[x * 3 + i] =
                        uint16_t((v[i] * most + 127) / 255);
            }
        }
    if (p3) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        nclx->color_primaries = heif_color_primaries_SMPTE_EG_432_1;
        nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
        nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
        heif_image_set_nclx_color_profile(image, nclx);
        heif_nclx_color_profile_free(nclx);
    }
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(orientation);
    const bool ok = encoder && !heif_context_encode_image(context, image, encoder, options, nullptr).code &&
                    !heif_context_write_to_file(context, path.toLocal8Bit().constData()).code;
    heif_encoding_options_free(options);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    heif_image_release(image);
    return ok;
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

void HeifReaderTest::heicDisplayP3ByCodePointsIsConverted_data() {
    QTest::addColumn<int>("bits");
    QTest::newRow("8 bits") << 8;
    QTest::newRow("10 bits") << 10;
}

void HeifReaderTest::heicDisplayP3ByCodePointsIsConverted() {
    // libheif 1.15 writes the code points of HEIC into the HEVC configuration (its video usability
    // information) rather than an 'nclx' box, and does not read them from there. The reference: the
    // pixels as stored (its tool's, and ours of the same picture without code points) through a P3
    // profile made by Little CMS.
    QFETCH(int, bits);
    const QString path = dir_.filePath(QString("p3-%1.heic").arg(bits));
    const QString plain = dir_.filePath(QString("plain-%1.heic").arg(bits));
    QVERIFY(encodeHeic(sample(QImage::Format_RGB32), bits, 1, path, true));
    QVERIFY(encodeHeic(sample(QImage::Format_RGB32), bits, 1, plain));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto boxes = heif_boxes::read(file);
    QVERIFY(boxes && boxes->hevc && boxes->colour);
    QCOMPARE(boxes->colour->primaries, 12);
    QCOMPARE(boxes->colour->transfer, 13);
    const LoadedPicture loaded = picture_loader::decode(path);
    const LoadedPicture asStored = picture_loader::decode(plain);
    QVERIFY(loaded.ok && asStored.ok);
    QImage expected = asStored.image;
    QVERIFY(colour_profile::toSrgb(expected, displayP3Profile()));
    // x265 codes the deeper twins a level apart here and there.
    const int most = largestDifference(loaded.image, expected);
    QVERIFY2(most <= (bits == 8 ? 1 : 2), qPrintable(QString::number(most)));
    QVERIFY(largestDifference(loaded.image, asStored.image) > 10);
    run("heif-convert", {path, path + ".png"});
    // 16-bit PNGs of deeper pictures round differently, which the curve near black makes more of.
    if (bits == 8) {
        QImage tools = QImage(path + ".png").convertToFormat(QImage::Format_RGB32);
        QVERIFY(colour_profile::toSrgb(tools, displayP3Profile()));
        QVERIFY(largestDifference(loaded.image, tools) <= 1);
    }
    // The same picture without code points is shown as stored.
    QFile plainFile(plain);
    QVERIFY(plainFile.open(QIODevice::ReadOnly));
    QVERIFY(HeifReader(plainFile).iccProfile().isEmpty());
}

void HeifReaderTest::heicTurnsAndMirrorsAtEveryDepth_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("orientation");
    for (const int bits : {8, 10})
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("%d bits, orientation %d", bits, o) << bits << o;
}

void HeifReaderTest::heicTurnsAndMirrorsAtEveryDepth() {
    // libheif 1.15 turns but cannot mirror a picture deeper than 8 bits: such a picture is turned here,
    // the same as the library turns its 8-bit twin. The coded picture is the same whatever the
    // orientation: each is the upright one turned.
    QFETCH(int, bits);
    QFETCH(int, orientation);
    const QImage picture = sample(QImage::Format_RGB32);
    const QString asStored = dir_.filePath(QString("o%1-1.heic").arg(bits));
    const QString turned = dir_.filePath(QString("o%1-%2.heic").arg(bits).arg(orientation));
    QVERIFY(encodeHeic(picture, bits, 1, asStored));
    QVERIFY(encodeHeic(picture, bits, orientation, turned));
    const LoadedPicture stored = picture_loader::decode(asStored);
    const LoadedPicture loaded = picture_loader::decode(turned);
    QVERIFY(stored.ok && loaded.ok);
    const QImage expected = standUpright(stored.image, orientation);
    QCOMPARE(loaded.size, expected.size());
    QCOMPARE(largestDifference(loaded.image, expected), 0);
    if (bits == 8) {
        run("heif-convert", {turned, turned + ".png"});
        QVERIFY(largestDifference(loaded.image, QImage(turned + ".png")) <= 1);
    }
    // At its own size on a smaller screen, the part on screen; reduced, the whole.
    const LoadedPicture part = picture_loader::decode(turned, ShowGeometry{QSize(50, 40), false, false});
    QVERIFY(part.ok);
    QCOMPARE(largestDifference(part.image, expected.copy(part.region)), 0);
    const LoadedPicture reduced = picture_loader::decode(turned, ShowGeometry{QSize(48, 48), true, true});
    QVERIFY(reduced.ok);
    QCOMPARE(reduced.size, expected.size());
}

void HeifReaderTest::turnsAndMirrorsMakeTheirOrientation() {
    using heif_boxes::Step;
    // As libheif writes each EXIF orientation: a mirror (axis 1 left to right, 0 top to bottom), a
    // turn (anticlockwise quarters), or a turn and then a mirror.
    const std::vector<Step> written[8] = {{},
                                          {{true, 1}},
                                          {{false, 2}},
                                          {{true, 0}},
                                          {{false, 3}, {true, 1}},
                                          {{false, 3}},
                                          {{false, 3}, {true, 0}},
                                          {{false, 1}}};
    for (int o = 1; o <= 8; ++o)
        QCOMPARE(heif_boxes::orientationOf(written[o - 1].data(), int(written[o - 1].size())), o);
    // The order matters: a mirror and then a turn is another orientation.
    const Step mirrorFirst[2] = {{true, 1}, {false, 3}};
    QCOMPARE(heif_boxes::orientationOf(mirrorFirst, 2), 7);
}

QTEST_GUILESS_MAIN(HeifReaderTest)
#include "test_heifreader.moc"
