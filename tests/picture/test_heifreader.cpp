#include "picture/HeifReader.h"
#include "picture/PictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

class HeifReaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesMatchHeifConvert_data();
    void picturesMatchHeifConvert();
    void ownSizeKeepsThePartOnScreen();
    void colourProfilesComeOut();
    void headersBeyondTheLimitAreRefusedUndecoded();
    void cancelledDecodesFail();

private:
    QTemporaryDir dir_;
};

namespace {
QString pillow(const QString& name) {
    return QStringLiteral(LUMORA_TESTDATA "/pillow-modern/") + name;
}

void run(const QString& tool, const QStringList& arguments) {
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(tool), qPrintable(arguments.join(' ')),
               p.readAllStandardError().constData());
}

// The largest difference in any channel; alpha too, and colour only where a pixel is not clear.
int largestDifference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_ARGB32), q = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb s = p.pixel(x, y), t = q.pixel(x, y);
            largest = std::max(largest, std::abs(qAlpha(s) - qAlpha(t)));
            if (qAlpha(s) && qAlpha(t))
                largest = std::max({largest, std::abs(qRed(s) - qRed(t)), std::abs(qGreen(s) - qGreen(t)),
                                    std::abs(qBlue(s) - qBlue(t))});
        }
    return largest;
}

// Colour in every direction, so that a turn, a mirror or swapped channels cannot pass.
QImage sample(QImage::Format format, bool alpha) {
    QImage image(96, 64, format);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y,
                                QColor::fromRgbF(float(x) / 96, float(y) / 64, float(x + y) / 200,
                                                 alpha ? float(x) / 96 : 1.0f));
    return image;
}

// The primary picture's 'ispe' box claiming `size` instead.
QByteArray claiming(QByteArray file, QSize size) {
    const qsizetype at = file.indexOf("ispe");
    if (at < 0)
        qFatal("no ispe box");
    for (int i = 0; i < 4; ++i) {
        file[at + 8 + i] = char(quint32(size.width()) >> (24 - 8 * i));
        file[at + 12 + i] = char(quint32(size.height()) >> (24 - 8 * i));
    }
    return file;
}
} // namespace

void HeifReaderTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(sample(QImage::Format_RGB32, false).save(dir_.filePath("plain.png")));
    QVERIFY(sample(QImage::Format_ARGB32, true).save(dir_.filePath("alpha.png")));
    QVERIFY(sample(QImage::Format_RGBX64, false).save(dir_.filePath("deep.png")));
    const struct {
        const char* name;
        QStringList options;
    } made[] = {
        {"plain.heic", {"-q", "90", "plain.png"}},
        {"deep10.heic", {"-b", "10", "deep.png"}},
        {"deep12.heic", {"-b", "12", "deep.png"}},
        {"alpha.heic", {"alpha.png"}},
        {"plain.avif", {"-A", "plain.png"}},
        {"alpha.avif", {"-A", "alpha.png"}},
        {"deep12.avif", {"-A", "-b", "12", "-p", "chroma=444", "deep.png"}},
    };
    for (const auto& m : made) {
        QStringList arguments;
        for (const QString& o : m.options)
            arguments << (o.endsWith(".png") ? dir_.filePath(o) : o);
        run("heif-enc", arguments << "-o" << dir_.filePath(m.name));
    }
}

void HeifReaderTest::picturesMatchHeifConvert_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<QString>("twin");
    const auto made = [&](const char* name, bool alpha) {
        QTest::newRow(name) << dir_.filePath(name) << QSize(96, 64) << alpha << QString();
    };
    made("plain.heic", false);
    made("deep10.heic", false);
    made("deep12.heic", false);
    made("alpha.heic", true);
    made("plain.avif", false);
    made("alpha.avif", true);
    made("deep12.avif", false);
    const auto kept = [&](const char* name, QSize size, bool alpha = false, const char* twin = "") {
        QTest::newRow(name) << pillow(name) << size << alpha << QString(twin);
    };
    kept("exif.avif", QSize(512, 512));
    kept("hopper.avif", QSize(128, 128));
    kept("hopper-missing-pixi.avif", QSize(128, 128));
    // libpng will not write its profile: compared with its twin without one, whose pixels are the same.
    kept("icc_profile.avif", QSize(57, 57), false, "icc_profile_none.avif");
    kept("icc_profile_none.avif", QSize(57, 57));
    kept("transparency.avif", QSize(64, 64), true);
    kept("xmp_tags_orientation.avif", QSize(326, 268));
    // Stored 427 x 640: turned a quarter (or three) and mirrored by their boxes.
    for (const char* turned : {"rot0mir0.avif", "rot0mir1.avif", "rot1mir0.avif", "rot1mir1.avif",
                               "rot2mir0.avif", "rot2mir1.avif", "rot3mir0.avif", "rot3mir1.avif"})
        kept(turned, QSize(640, 427));
}

void HeifReaderTest::picturesMatchHeifConvert() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QFETCH(QString, twin);
    const LoadedPicture loaded = picture_loader::decode(path);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.size, size);
    QCOMPARE(loaded.image.size(), size);
    QCOMPARE(loaded.image.hasAlphaChannel(), alpha);
    // heif-convert writes 16-bit PNGs of deeper pictures: rounding to 8 bits may differ by one.
    const QString reference = dir_.filePath(QFileInfo(path).fileName() + ".png");
    run("heif-convert", {twin.isEmpty() ? path : pillow(twin), reference});
    QVERIFY(largestDifference(loaded.image, QImage(reference)) <= 1);
}

void HeifReaderTest::ownSizeKeepsThePartOnScreen() {
    const QString path = pillow("rot1mir1.avif");
    const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(200, 100), false, false});
    QVERIFY(part.ok);
    QCOMPARE(part.region, QRect(220, 163, 200, 100));
    const QImage whole = picture_loader::decode(path).image;
    QVERIFY(largestDifference(part.image, whole.copy(part.region)) == 0);
}

void HeifReaderTest::colourProfilesComeOut() {
    QFile file(pillow("icc_profile.avif"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    HeifReader profiled(file);
    QVERIFY(profiled.valid());
    QVERIFY(QColorSpace::fromIccProfile(profiled.iccProfile()).isValid());
    QFile none(pillow("icc_profile_none.avif"));
    QVERIFY(none.open(QIODevice::ReadOnly));
    HeifReader plain(none);
    QVERIFY(plain.valid());
    QVERIFY(plain.iccProfile().isEmpty());
}

void HeifReaderTest::headersBeyondTheLimitAreRefusedUndecoded() {
    QFile made(dir_.filePath("plain.heic"));
    QVERIFY(made.open(QIODevice::ReadOnly));
    const QByteArray small = made.readAll();
    const struct {
        QSize claimed;
        bool accepted;
    } cases[] = {
        {QSize(8000, 6000), true},    // a 48-megapixel phone picture
        {QSize(9248, 6936), true},    // 64 megapixels
        {QSize(10000, 7000), false},  // over 2^26 pixels
        {QSize(60000, 60000), false}, // a header bomb
        {QSize(70000, 16), false},    // longer than a side may be
    };
    for (const auto& c : cases) {
        QByteArray bytes = claiming(small, c.claimed);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        HeifReader reader(buffer);
        QCOMPARE(reader.valid(), c.accepted);
        QCOMPARE(reader.size(), c.accepted ? c.claimed : QSize());
    }
}

void HeifReaderTest::cancelledDecodesFail() {
    const std::atomic<bool> cancelled{true};
    QVERIFY(picture_loader::decode(dir_.filePath("plain.heic")).ok);
    QVERIFY(!picture_loader::decode(dir_.filePath("plain.heic"), std::nullopt, nullptr, &cancelled).ok);
}

QTEST_GUILESS_MAIN(HeifReaderTest)
#include "test_heifreader.moc"
