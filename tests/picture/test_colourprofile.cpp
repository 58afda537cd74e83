#include "TestProfiles.h"
#include "picture/PictureLoader.h"
#include "picture/colour/ColourProfile.h"
#include "picture/readers/PngReader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <lcms2.h>

class ColourProfileTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void embeddedProfilesGiveTheReferenceColours_data();
    void embeddedProfilesGiveTheReferenceColours();
    void pillowsProfiledPngsDecode();

private:
    QTemporaryDir dir_;
};

namespace {

using test_profiles::saved;
using test_profiles::swappedCmyk;

// Profiles made by Little CMS, as cameras and phones embed them.
QByteArray rgbProfile(cmsCIExyYTRIPLE primaries, cmsToneCurve* curve) {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const QByteArray bytes = saved(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}

cmsToneCurve* srgbCurve() {
    const double parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

QByteArray displayP3() {
    return rgbProfile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, srgbCurve());
}

QByteArray adobeRgb() {
    return rgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}},
                      cmsBuildGamma(nullptr, 563.0 / 256));
}

// A grey of linear light, as some scanners write: the darks of such a picture are far lighter in sRGB.
QByteArray linearGrey() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    const QByteArray bytes = saved(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

QByteArray lcmsSrgb() {
    return saved(cmsCreate_sRGBProfile());
}

// Light itself, as renderers and HDR tools write it: far from sRGB's curve, so that converting
// premultiplied pixels as if they were not shows.
QByteArray linearLight() {
    return rgbProfile({{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}}, cmsBuildGamma(nullptr, 1.0));
}

QString pillowPicture(const char* name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}

// HP's sRGB profile, which Pillow's picture carries: a level apart from lcms's own here and there.
QByteArray hpSrgb() {
    QFile file(pillowPicture("icc_profile.png"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no icc_profile.png");
    return PngReader(file).iccProfile();
}

// Colour patches over a ramp of greys, every channel at many levels; with alpha, four bands from
// nearly transparent to nearly opaque.
QImage patches(QImage::Format format) {
    const bool alpha = format == QImage::Format_ARGB32;
    QImage image(96, 64, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int a = alpha ? 64 + (x / 24) * 60 : 255;
            image.setPixel(x, y,
                           y < 48 ? qRgba((x / 8) * 23, (y / 8) * 43, ((x + y) / 16) * 27, a)
                                  : qRgba(x * 255 / 95, x * 255 / 95, x * 255 / 95, a));
        }
    return image.convertToFormat(format);
}

// `jpeg` with `icc` in APP2 markers right after its start, split as the ICC's embedding in JPEG
// splits it.
QByteArray withIccMarkers(const QByteArray& jpeg, const QByteArray& icc) {
    constexpr qsizetype Chunk = 65519;
    const int count = int((icc.size() + Chunk - 1) / Chunk);
    QByteArray markers;
    for (int i = 0; i < count; ++i) {
        const QByteArray part = icc.mid(i * Chunk, Chunk);
        const int length = int(2 + 12 + 2 + part.size());
        markers += QByteArray("\xFF\xE2", 2) + char(length >> 8) + char(length & 0xff);
        markers += QByteArray("ICC_PROFILE\0", 12) + char(i + 1) + char(count) + part;
    }
    return jpeg.left(2) + markers + jpeg.mid(2);
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void convert(const QStringList& arguments) {
    QProcess convert;
    convert.start("/usr/bin/convert", arguments);
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0)
        qFatal("convert %s: %s", qPrintable(arguments.join(' ')), convert.readAllStandardError().constData());
}

// ImageMagick's conversion to the sRGB profile in `dir`, read back unpremultiplied.
QImage reference(const QString& path, const QTemporaryDir& dir) {
    const QString out = dir.filePath(QFileInfo(path).fileName() + ".reference.png");
    convert({path, "-profile", dir.filePath("srgb.icc"), out});
    return QImage(out).convertToFormat(QImage::Format_ARGB32);
}

// A CMYK JPEG of `image`, written by ImageMagick as Adobe's programs write them, inks inverted.
QByteArray cmykJpeg(const QImage& image, const QString& path) {
    image.save(path + ".png");
    convert({path + ".png", "-colorspace", "CMYK", "-quality", "95", path});
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no %s", qPrintable(path));
    return file.readAll();
}

struct Difference {
    int most = 0;
    double mean = 0;
};

// How far apart the colours of two unpremultiplied images are; pixels of little alpha count for
// little on screen and are left out.
Difference difference(const QImage& a, const QImage& b) {
    Difference d;
    qint64 sum = 0, channels = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAlpha(q) < 64)
                continue;
            for (const int c : {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))}) {
                d.most = std::max(d.most, c);
                sum += c;
                ++channels;
            }
        }
    d.mean = channels ? double(sum) / double(channels) : 0;
    return d;
}

} // namespace

enum class Shown { Whole, Reduced, OnScreenPart };
enum class Expect { Reference, Unchanged };
Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(Expect)

void ColourProfileTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QFile srgb(dir_.filePath("srgb.icc"));
    QVERIFY(srgb.open(QIODevice::WriteOnly));
    srgb.write(lcmsSrgb());
}

void ColourProfileTest::embeddedProfilesGiveTheReferenceColours_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("icc");
    QTest::addColumn<QImage::Format>("pixels");
    QTest::addColumn<Shown>("shown");
    QTest::addColumn<Expect>("expect");

    QByteArray noise(200000, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + i / 13) & 0xff);
    QByteArray damaged = displayP3();
    damaged.truncate(damaged.size() / 2);
    QByteArray lying = adobeRgb();
    lying[128] = lying[129] = lying[130] = lying[131] = '\xff'; // claims four billion tags

    QTest::newRow("JPEG, Display P3")
        << "jpg" << displayP3() << QImage::Format_RGB32 << Shown::Whole << Expect::Reference;
    QTest::newRow("JPEG, Adobe RGB, reduced")
        << "jpg" << adobeRgb() << QImage::Format_RGB32 << Shown::Reduced << Expect::Reference;
    QTest::newRow("JPEG, Display P3, part on screen")
        << "jpg" << displayP3() << QImage::Format_RGB32 << Shown::OnScreenPart << Expect::Reference;
    QTest::newRow("JPEG, grey") << "jpg" << linearGrey() << QImage::Format_Grayscale8 << Shown::Whole
                                << Expect::Reference;
    QTest::newRow("JPEG, CMYK") << "cmyk" << swappedCmyk() << QImage::Format_RGB32 << Shown::Whole
                                << Expect::Reference;
    QTest::newRow("JPEG, CMYK, part on screen")
        << "cmyk" << swappedCmyk() << QImage::Format_RGB32 << Shown::OnScreenPart << Expect::Reference;
    QTest::newRow("JPEG, sRGB") << "jpg" << lcmsSrgb() << QImage::Format_RGB32 << Shown::Whole
                                << Expect::Unchanged;
    QTest::newRow("JPEG, HP's sRGB") << "jpg" << hpSrgb() << QImage::Format_RGB32 << Shown::Whole
                                     << Expect::Unchanged;
    QTest::newRow("JPEG, Qt's sRGB, reduced") << "jpg" << QColorSpace(QColorSpace::SRgb).iccProfile()
                                              << QImage::Format_RGB32 << Shown::Reduced << Expect::Unchanged;
    QTest::newRow("JPEG, profile cut short")
        << "jpg" << damaged << QImage::Format_RGB32 << Shown::Whole << Expect::Unchanged;
    QTest::newRow("JPEG, profile claiming four billion tags")
        << "jpg" << lying << QImage::Format_RGB32 << Shown::Whole << Expect::Unchanged;
    QTest::newRow("JPEG, noise over four markers")
        << "jpg" << noise << QImage::Format_RGB32 << Shown::Whole << Expect::Unchanged;
    QTest::newRow("PNG, Display P3") << "png" << displayP3() << QImage::Format_RGB32 << Shown::Whole
                                     << Expect::Reference;
    QTest::newRow("PNG, Adobe RGB, alpha")
        << "png" << adobeRgb() << QImage::Format_ARGB32 << Shown::Whole << Expect::Reference;
    QTest::newRow("PNG, linear light, alpha, reduced")
        << "png" << linearLight() << QImage::Format_ARGB32 << Shown::Reduced << Expect::Reference;
}

void ColourProfileTest::embeddedProfilesGiveTheReferenceColours() {
    QFETCH(QString, format);
    QFETCH(QByteArray, icc);
    QFETCH(QImage::Format, pixels);
    QFETCH(Shown, shown);
    QFETCH(Expect, expect);
    const QString name = QString(QTest::currentDataTag()).replace(QRegularExpression("[^A-Za-z0-9]+"), "-");
    const QString ending = format == "png" ? "png" : "jpg";
    const QString plain = dir_.filePath(name + "-plain." + ending);
    const QString profiled = dir_.filePath(name + "." + ending);
    const QImage picture = patches(pixels);
    const QByteArray stored =
        format == "cmyk" ? cmykJpeg(picture, plain) : encoded(picture, qPrintable(ending));
    write(plain, stored);
    if (ending == "jpg") {
        write(profiled, withIccMarkers(stored, icc));
    } else {
        // Qt's writer embeds the profile of the picture's colour space.
        QImage tagged = picture;
        tagged.setColorSpace(QColorSpace::fromIccProfile(icc));
        write(profiled, encoded(tagged, "png"));
    }

    std::optional<ShowGeometry> geometry;
    if (shown == Shown::Reduced)
        geometry = ShowGeometry{QSize(48, 32), true, true};
    else if (shown == Shown::OnScreenPart)
        geometry = ShowGeometry{QSize(40, 30), false, false};
    const LoadedPicture ours = picture_loader::decode(profiled, geometry);
    const LoadedPicture twin = picture_loader::decode(plain, geometry);
    QVERIFY(ours.ok && twin.ok);
    QCOMPARE(ours.image.size(), twin.image.size());
    QCOMPARE(ours.region, twin.region);
    if (expect == Expect::Unchanged) {
        // Not even a pass over the pixels.
        QCOMPARE(colour_profile::effectOf(icc), colour_profile::Effect::None);
        QCOMPARE(ours.image.convertToFormat(QImage::Format_ARGB32),
                 twin.image.convertToFormat(QImage::Format_ARGB32));
        return;
    }
    QImage wanted = reference(profiled, dir_);
    QCOMPARE(wanted.size(), picture.size());
    if (shown == Shown::OnScreenPart)
        wanted = wanted.copy(ours.region);
    const QImage got = ours.image.convertToFormat(QImage::Format_ARGB32);
    if (shown == Shown::Reduced) {
        // Reduced against the reference reduced by Qt: the colours of whole patches agree.
        wanted = wanted.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                     .scaled(got.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32);
        const Difference d = difference(got, wanted);
        QVERIFY2(d.mean < 2, qPrintable(QString("mean difference %1").arg(d.mean)));
    } else {
        // ImageMagick converts in 16 bits, lcms here in 8 (inks through a table of four dimensions);
        // libjpeg's edges of a part differ a little.
        const Difference d = difference(got, wanted);
        QVERIFY2(d.most <= (format == "cmyk" ? 6 : 4) && d.mean < 0.5,
                 qPrintable(QString("difference %1, mean %2").arg(d.most).arg(d.mean)));
    }
    // And far from the pixels as stored: the profile mattered.
    QVERIFY(difference(got, twin.image.convertToFormat(QImage::Format_ARGB32)).mean > 2);
}

void ColourProfileTest::pillowsProfiledPngsDecode() {
    QCOMPARE(hpSrgb().size(), 3144);
    const QString path = pillowPicture("icc_profile.png");
    const LoadedPicture ours = picture_loader::decode(path);
    QVERIFY(ours.ok);
    const Difference d = difference(ours.image.convertToFormat(QImage::Format_ARGB32), reference(path, dir_));
    QVERIFY2(d.most <= 3, qPrintable(QString("difference %1").arg(d.most)));
    QVERIFY(picture_loader::decode(pillowPicture("icc_profile_none.png")).ok);
}

QTEST_MAIN(ColourProfileTest)
#include "test_colourprofile.moc"
