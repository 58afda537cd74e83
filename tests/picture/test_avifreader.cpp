#include "ToolPictures.h"
#include "picture/PictureLoader.h"
#include "picture/colour/ColourProfile.h"
#include "picture/readers/AvifReader.h"
#include "picture/reduce/RowReducer.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

#include <atomic>

#include <lcms2.h>

using namespace tool_pictures;

// AVIF through libavif, against avifdec, libavif's own decoder: made by avifenc here, with each of
// the file's own transforms (avifdec writes the picture as stored; the transforms the test asked
// for are applied to its picture here, in their order).
class AvifReaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesMatchAvifdec_data();
    void picturesMatchAvifdec();
    void headersBeyondTheLimitAreRefusedUndecoded();
    void displayP3ByCodePointsIsConverted_data();
    void displayP3ByCodePointsIsConverted();

private:
    QString made(const QString& name, const QString& png, const QStringList& options);
    QTemporaryDir dir_;
};

namespace {

QString pillow(const QString& name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}

// One of the file's transforms, as the test asked avifenc for it.
struct Step {
    enum Kind { Turn, Mirror, Crop } kind;
    int value = 0; // quarter turns anticlockwise ('irot'); 0 top to bottom, 1 left to right ('imir')
    QRect crop;
};
using Steps = QList<Step>;

Step turn(int quarters) {
    return {Step::Turn, quarters, {}};
}
Step mirror(int mode) {
    return {Step::Mirror, mode, {}};
}
Step crop(QRect r) {
    return {Step::Crop, 0, r};
}

QImage applied(QImage image, const Steps& steps) {
    for (const Step& s : steps) {
        if (s.kind == Step::Turn)
            image = image.transformed(QTransform().rotate(-90 * s.value)); // anticlockwise on screen
        else if (s.kind == Step::Mirror)
            image = s.value == 0 ? image.mirrored(false, true) : image.mirrored(true, false);
        else
            image = image.copy(s.crop);
    }
    return image;
}

// Sharp edges of strong colours every few pixels, at an odd size, where chroma upsampling shows:
// nearest-neighbour upsampling is some 10-15 levels off libavif's bilinear one at each edge. With
// alpha, it rises across (never clear, so that every colour counts).
QImage edges(bool alpha) {
    QImage image(91, 61, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(230, 20, 20), qRgb(20, 40, 230), qRgb(20, 200, 40), qRgb(250, 250, 250)};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = colours[(x / 3 + y / 5 + (x * y) % 3) % 4];
            image.setPixel(x, y, alpha ? qRgba(qRed(c), qGreen(c), qBlue(c), 40 + x * 2) : c);
        }
    return image;
}

int largestPremultipliedDifference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 q = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (p.size() != q.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb s = p.pixel(x, y), t = q.pixel(x, y);
            largest = std::max({largest, std::abs(qAlpha(s) - qAlpha(t)), std::abs(qRed(s) - qRed(t)),
                                std::abs(qGreen(s) - qGreen(t)), std::abs(qBlue(s) - qBlue(t))});
        }
    return largest;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

quint32 be32(const QByteArray& b, qsizetype at) {
    return quint32(uchar(b[at])) << 24 | quint32(uchar(b[at + 1])) << 16 | quint32(uchar(b[at + 2])) << 8 |
           uchar(b[at + 3]);
}

// The file with the primary item's 'irot' and 'imir' associations exchanged in its 'ipma' (avifenc
// lists the turn first): the same boxes, the mirror now applied before the turn.
QByteArray mirrorBeforeTurn(QByteArray bytes) {
    const qsizetype ipco = bytes.indexOf("ipco") - 4;
    const qsizetype ipma = bytes.indexOf("ipma") - 4;
    if (ipco < 0 || ipma < 0)
        return {};
    int irot = 0, imir = 0, index = 1;
    for (qsizetype at = ipco + 8; at < ipco + qsizetype(be32(bytes, ipco)); at += be32(bytes, at), ++index) {
        if (bytes.mid(at + 4, 4) == "irot")
            irot = index;
        if (bytes.mid(at + 4, 4) == "imir")
            imir = index;
    }
    // Version 0 and one-byte indices, as avifenc writes them: item 1's entry first.
    if (!irot || !imir || bytes[ipma + 8] != 0 || (bytes[ipma + 11] & 1) ||
        bytes.mid(ipma + 16, 2) != QByteArray("\0\x01", 2))
        return {};
    const int count = uchar(bytes[ipma + 18]);
    qsizetype rotAt = -1, mirAt = -1;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = ipma + 19 + i;
        if ((uchar(bytes[at]) & 0x7f) == irot)
            rotAt = at;
        if ((uchar(bytes[at]) & 0x7f) == imir)
            mirAt = at;
    }
    if (rotAt < 0 || mirAt < 0 || rotAt > mirAt)
        return {};
    std::swap(bytes[rotAt], bytes[mirAt]);
    return bytes;
}

} // namespace

void AvifReaderTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(sample(QImage::Format_RGB32).save(dir_.filePath("plain.png")));
    QVERIFY(sample(QImage::Format_ARGB32).save(dir_.filePath("alpha.png")));
    QVERIFY(sample(QImage::Format_RGBX64).save(dir_.filePath("deep.png")));
    QVERIFY(sample(QImage::Format_RGBA64).save(dir_.filePath("deepalpha.png")));
    QVERIFY(edges(false).save(dir_.filePath("edges.png")));
    QVERIFY(edges(true).save(dir_.filePath("edgesalpha.png")));
}

QString AvifReaderTest::made(const QString& name, const QString& png, const QStringList& options) {
    const QString path = dir_.filePath(name);
    run("avifenc", options + QStringList{"-s", "9", dir_.filePath(png), path});
    return path;
}

Q_DECLARE_METATYPE(Steps)

void AvifReaderTest::picturesMatchAvifdec_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("profiled");
    const auto row = [&](const QString& name, const QString& png, const QStringList& options,
                         const Steps& steps = {}) {
        QTest::newRow(qPrintable(name))
            << made(name, png, options) << steps << png.contains("alpha") << false;
    };
    // Chroma upsampled as libavif does, not nearest-neighbour.
    row("plain444.avif", "plain.png", {"-y", "444"});
    row("edges420.avif", "edges.png", {"-y", "420"});
    row("edges422.avif", "edges.png", {"-y", "422"});
    row("grey400.avif", "edges.png", {"-y", "400"});
    row("alpha444.avif", "alpha.png", {"-y", "444"});
    row("alpha420.avif", "edgesalpha.png", {"-y", "420"});
    // Turned and mirrored, with and without alpha: colour and alpha alike.
    for (const QString& png : {QStringLiteral("edges.png"), QStringLiteral("edgesalpha.png")}) {
        const QString stem = png.chopped(4) + "-";
        for (int r = 1; r <= 3; ++r)
            row(stem + QString("irot%1.avif").arg(r), png, {"-y", "420", "--irot", QString::number(r)},
                {turn(r)});
        for (int m = 0; m <= 1; ++m)
            row(stem + QString("imir%1.avif").arg(m), png, {"-y", "420", "--imir", QString::number(m)},
                {mirror(m)});
        row(stem + "irot1imir0.avif", png, {"-y", "420", "--irot", "1", "--imir", "0"}, {turn(1), mirror(0)});
        row(stem + "irot3imir1.avif", png, {"-y", "444", "--irot", "3", "--imir", "1"}, {turn(3), mirror(1)});
    }
    // Premultiplied alpha divided back once, not multiplied again.
    row("premultiplied.avif", "edgesalpha.png", {"-y", "444", "-p"});
    row("premultiplied-irot3.avif", "alpha.png", {"-y", "420", "-p", "--irot", "3"}, {turn(3)});
    // Deeper samples with a mirror and a turn.
    row("deep10-imir1.avif", "plain.png", {"-d", "10", "-y", "444", "--imir", "1"}, {mirror(1)});
    row("deep10-irot1imir0.avif", "deepalpha.png", {"-d", "10", "-y", "420", "--irot", "1", "--imir", "0"},
        {turn(1), mirror(0)});
    row("deep12-420.avif", "edges.png", {"-d", "12", "-y", "420", "--imir", "0"}, {mirror(0)});
    // A picture of 2 x 2 tiles (each at least 64 x 64), turned as a whole.
    QVERIFY(sample(QImage::Format_ARGB32).scaled(256, 128).save(dir_.filePath("widealpha.png")));
    row("grid-irot1.avif", "widealpha.png", {"-y", "420", "-g", "2x2", "--irot", "1"}, {turn(1)});
    // A crop, at odd offsets, alone and before a turn (avifenc writes 'clap' first).
    row("crop444.avif", "edges.png", {"-y", "444", "--crop", "7,5,60,40"}, {crop(QRect(7, 5, 60, 40))});
    row("crop420-irot1.avif", "edgesalpha.png", {"-y", "420", "--crop", "4,2,60,40", "--irot", "1"},
        {crop(QRect(4, 2, 60, 40)), turn(1)});

    // AVIFs as libheif writes them (4:2:0 unless asked).
    for (const QStringList& m :
         {QStringList{"heifenc-plain.avif", "plain.png"}, QStringList{"heifenc-alpha.avif", "alpha.png"},
          QStringList{"heifenc-deep12.avif", "deep.png", "-b", "12", "-p", "chroma=444"}}) {
        run("heif-enc", QStringList{"-A", dir_.filePath(m[1]), "-o", dir_.filePath(m[0])} + m.mid(2));
        QTest::newRow(qPrintable(m[0])) << dir_.filePath(m[0]) << Steps{} << m[1].contains("alpha") << false;
    }

    // The transforms apply in the order the file lists them: here the mirror before the turn.
    const QString swapped = dir_.filePath("imir0irot1.avif");
    const QByteArray reordered = mirrorBeforeTurn(
        contents(made("forswap.avif", "edgesalpha.png", {"-y", "420", "--irot", "1", "--imir", "0"})));
    QVERIFY(!reordered.isEmpty() && write(swapped, reordered));
    QTest::newRow("imir0irot1.avif") << swapped << Steps{mirror(0), turn(1)} << true << false;

    // An Exif orientation (6, a quarter turn) with no 'irot' or 'imir': AVIF's boxes are its only
    // orientation, and the picture is shown as stored.
    QByteArray exif("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x01\0\0\0\0\0\0", 26);
    QVERIFY(write(dir_.filePath("exif.bin"), exif));
    QByteArray withExif =
        contents(made("exif1.avif", "edges.png", {"-y", "444", "--exif", dir_.filePath("exif.bin")}));
    const qsizetype tag = withExif.indexOf(QByteArray("\x01\x12\0\x03\0\0\0\x01\0\x01", 10));
    QVERIFY(tag > 0 && !withExif.contains("irot") && !withExif.contains("imir"));
    withExif[tag + 9] = 6;
    QVERIFY(write(dir_.filePath("exif6.avif"), withExif));
    QTest::newRow("exif6.avif") << dir_.filePath("exif6.avif") << Steps{} << false << false;

    // Limited range and BT.709's matrix, in the box that gives them.
    QByteArray limited = contents(dir_.filePath("edges420.avif"));
    const qsizetype nclx = limited.indexOf("colrnclx");
    QVERIFY(nclx > 0);
    limited[nclx + 13] = 1;
    limited[nclx + 14] = 0;
    QVERIFY(write(dir_.filePath("limited709.avif"), limited));
    QTest::newRow("limited709.avif") << dir_.filePath("limited709.avif") << Steps{} << false << false;

    // Pillow's pictures, the turned ones stored 427 x 640 or 640 x 427 with their boxes in this order.
    const auto kept = [&](const char* name, const Steps& steps = {}, bool alpha = false,
                          bool profiled = false) {
        QTest::newRow(name) << pillow(name) << steps << alpha << profiled;
    };
    kept("exif.avif");
    kept("hopper.avif");
    kept("hopper-missing-pixi.avif");
    kept("icc_profile.avif", {}, false, true);
    kept("icc_profile_none.avif");
    kept("transparency.avif", {}, true);
    kept("xmp_tags_orientation.avif", {}, false, true);
    kept("rot0mir0.avif", {mirror(0)});
    kept("rot0mir1.avif", {mirror(1)});
    kept("rot1mir0.avif", {turn(1), mirror(0)});
    kept("rot1mir1.avif", {turn(3), mirror(0)});
    kept("rot2mir0.avif", {mirror(1)});
    kept("rot2mir1.avif", {mirror(0)});
    kept("rot3mir0.avif", {turn(3), mirror(0)});
    kept("rot3mir1.avif", {turn(1), mirror(0)});
}

void AvifReaderTest::picturesMatchAvifdec() {
    QFETCH(QString, path);
    QFETCH(Steps, steps);
    QFETCH(bool, alpha);
    QFETCH(bool, profiled);
    // libpng will not write the profile of icc_profile.avif: its twin without one has its pixels.
    // Deeper pictures come as 16-bit PNGs from avifdec's own arithmetic; libyuv's, which turns 10
    // bits into 8 here, rounds within a few levels of them.
    const QString reference = dir_.filePath(QFileInfo(path).fileName() + ".png");
    run("avifdec",
        {"--no-strict", QString(path).replace("icc_profile.avif", "icc_profile_none.avif"), reference});
    const QImage expected = applied(referenceInSrgb(reference), steps);
    QVERIFY(!expected.isNull());

    const LoadedPicture loaded = picture_loader::decode(path);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.size, expected.size());
    QCOMPARE(loaded.image.hasAlphaChannel(), alpha);
    QVERIFY2(largestDifference(loaded.image, expected) <= (path.contains("deep") ? 3 : 1),
             qPrintable(QString::number(largestDifference(loaded.image, expected))));

    // Only the part on screen, at odd offsets: the same pixels.
    const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(51, 37), false, false});
    QVERIFY(part.ok && !part.region.isEmpty());
    QCOMPARE(largestDifference(part.image, loaded.image.copy(part.region)), 0);
    // Reduced as read: as the whole picture reduced (a turn or mirror before or after the reduction
    // gives the same averages; a profile is applied to the reduced picture, hence not compared).
    const ShowGeometry small{QSize(45, 31), true, false};
    const LoadedPicture reduced = picture_loader::decode(path, small);
    const QSize target = picture_loader::shownSize(loaded.image.size(), small).boundedTo(loaded.image.size());
    QVERIFY(reduced.ok);
    QCOMPARE(reduced.image.size(), target);
    RowReducer rows = RowReducer::reducing(loaded.image.size(), target, alpha, true);
    const QImage whole = loaded.image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < whole.height(); ++y)
        rows.put(y, reinterpret_cast<const QRgb*>(whole.constScanLine(y)), 0, whole.width());
    // Compared premultiplied, as reduced: where alpha is low, dividing it back magnifies the rounding.
    const int reducedDifference = largestPremultipliedDifference(reduced.image, rows.take());
    QVERIFY2(profiled || reducedDifference <= 1, qPrintable(QString::number(reducedDifference)));

    const std::atomic<bool> cancelled{true};
    QVERIFY(!picture_loader::decode(path, std::nullopt, nullptr, &cancelled).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const AvifReader reader(file);
    QCOMPARE(QColorSpace::fromIccProfile(reader.iccProfile()).isValid(), profiled);
}

void AvifReaderTest::headersBeyondTheLimitAreRefusedUndecoded() {
    const QByteArray small = contents(made("small.avif", "plain.png", {"-y", "420"}));
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
        const AvifReader reader(buffer);
        QCOMPARE(reader.size(), claimed.width() == 8000 ? claimed : QSize());
    }
}

void AvifReaderTest::displayP3ByCodePointsIsConverted_data() {
    QTest::addColumn<QString>("path");
    // Display P3 as phones give it: code points 12 (P3's primaries, D65's white), 13 (sRGB's curve)
    // and 6 (BT.601's matrix), and no profile.
    QTest::newRow("8 bits") << made("p3.avif", "plain.png", {"-y", "420", "--cicp", "12/13/6"});
    // Deeper, in colours well inside sRGB's: libyuv rounds 10 bits to 8 within a few levels of
    // avifdec (which the conversion magnifies where a colour is clipped to sRGB's edge).
    QImage muted(96, 64, QImage::Format_RGBX64);
    for (int y = 0; y < muted.height(); ++y)
        for (int x = 0; x < muted.width(); ++x)
            muted.setPixelColor(x, y, QColor::fromRgbF(0.4f + 0.2f * x / 96, 0.4f + 0.2f * y / 64, 0.5f));
    QVERIFY(muted.save(dir_.filePath("muted.png")));
    QTest::newRow("10 bits") << made("p3-10.avif", "muted.png",
                                     {"-d", "10", "-y", "444", "--cicp", "12/13/6"});
}

void AvifReaderTest::displayP3ByCodePointsIsConverted() {
    QFETCH(QString, path);
    // The reference: avifdec's pixels through a P3 profile made here.
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

    const LoadedPicture loaded = picture_loader::decode(path);
    QVERIFY(loaded.ok);
    run("avifdec", {"-d", "8", path, path + ".png"});
    const QImage stored(path + ".png");
    QImage expected = stored;
    QVERIFY(colour_profile::toSrgb(expected, icc));
    QVERIFY2(largestDifference(loaded.image, expected) <= (path.contains("-10") ? 4 : 1),
             qPrintable(QString::number(largestDifference(loaded.image, expected))));
    QVERIFY(largestDifference(loaded.image, stored) > 10);
}

QTEST_GUILESS_MAIN(AvifReaderTest)
#include "test_avifreader.moc"
