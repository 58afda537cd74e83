#include "picture/JxlReader.h"
#include "picture/PictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

class JxlReaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesMatchDjxl_data();
    void picturesMatchDjxl();
    void ownSizeKeepsThePartOnScreen();
    void colourProfilesDescribeThePixels();
    void headersBeyondTheLimitAreRefusedUndecoded();
    void cancelledDecodesFail();

private:
    QString made(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

namespace {
QString turned(int orientation) {
    return QStringLiteral(LUMORA_TESTDATA "/exif-orientation-examples/Landscape_%1.jpg").arg(orientation);
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

// A bare codestream whose header claims `size`, with default metadata and no frame.
QByteArray claiming(QSize size) {
    std::vector<bool> bits;
    const auto put = [&](quint32 value, int count) {
        for (int i = 0; i < count; ++i)
            bits.push_back((value >> i) & 1);
    };
    put(0, 1); // not a small size
    put(3, 2); // height in 30 bits
    put(quint32(size.height() - 1), 30);
    put(0, 3); // width given on its own
    put(3, 2);
    put(quint32(size.width() - 1), 30);
    put(1, 1); // all metadata default
    QByteArray bytes("\xff\x0a", 2);
    // The library asks for some more before it gives the colour encoding.
    bytes.append(qsizetype(bits.size() + 7) / 8 + 4096, '\0');
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i])
            bytes[qsizetype(2 + i / 8)] = char(bytes[qsizetype(2 + i / 8)] | (1 << (i % 8)));
    return bytes;
}
} // namespace

void JxlReaderTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(sample(QImage::Format_RGB32, false).save(made("plain.png")));
    QVERIFY(sample(QImage::Format_ARGB32, true).save(made("alpha.png")));
    QVERIFY(sample(QImage::Format_RGBX64, false).save(made("deep.png")));
    QVERIFY(sample(QImage::Format_Grayscale8, false).save(made("grey.png")));
    QImage p3 = sample(QImage::Format_RGB32, false);
    p3.setColorSpace(QColorSpace::DisplayP3);
    QVERIFY(p3.save(made("p3.png")));
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
        {"turned2.jxl", turned(2), {}},
        {"turned6.jxl", turned(6), {}},
        {"turned7.jxl", turned(7), {}},
    };
    for (const auto& p : pictures)
        run("cjxl", QStringList{p.from, made(p.name)} + p.options);
}

void JxlReaderTest::picturesMatchDjxl_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::newRow("lossless") << "lossless.jxl" << QSize(96, 64) << false;
    QTest::newRow("alpha") << "alpha.jxl" << QSize(96, 64) << true;
    QTest::newRow("16 bits") << "deep.jxl" << QSize(96, 64) << false;
    QTest::newRow("grey") << "grey.jxl" << QSize(96, 64) << false;
    QTest::newRow("lossy") << "lossy.jxl" << QSize(96, 64) << false;
    QTest::newRow("mirrored") << "turned2.jxl" << QSize(1800, 1200) << false;
    QTest::newRow("turned") << "turned6.jxl" << QSize(1800, 1200) << false;
    QTest::newRow("turned and mirrored") << "turned7.jxl" << QSize(1800, 1200) << false;
}

void JxlReaderTest::picturesMatchDjxl() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    const LoadedPicture loaded = picture_loader::decode(made(name));
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.size, size);
    QCOMPARE(loaded.image.size(), size);
    QCOMPARE(loaded.image.hasAlphaChannel(), alpha);
    // djxl writes 16-bit PNGs of deeper pictures: rounding to 8 bits may differ by one.
    const QString reference = made(name + ".png");
    run("djxl", {made(name), reference});
    QVERIFY(largestDifference(loaded.image, QImage(reference)) <= 1);
}

void JxlReaderTest::ownSizeKeepsThePartOnScreen() {
    const LoadedPicture part =
        picture_loader::decode(made("turned7.jxl"), ShowGeometry{QSize(300, 200), false, false});
    QVERIFY(part.ok);
    QCOMPARE(part.region, QRect(750, 500, 300, 200));
    const QImage whole = picture_loader::decode(made("turned7.jxl")).image;
    QVERIFY(largestDifference(part.image, whole.copy(part.region)) == 0);
}

void JxlReaderTest::colourProfilesDescribeThePixels() {
    for (const char* name : {"p3.jxl", "p3lossy.jxl", "lossless.jxl"}) {
        QFile file(made(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        JxlReader reader(file);
        QVERIFY(reader.valid());
        // sRGB pixels have nothing to convert.
        if (QByteArrayView(name) == "lossless.jxl") {
            QVERIFY(reader.iccProfile().isEmpty());
            continue;
        }
        const QColorSpace space = QColorSpace::fromIccProfile(reader.iccProfile());
        QVERIFY2(space.isValid(), name);
        QCOMPARE(space.primaries(), QColorSpace::Primaries::DciP3D65);
    }
}

void JxlReaderTest::headersBeyondTheLimitAreRefusedUndecoded() {
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
        QByteArray bytes = claiming(c.claimed);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        JxlReader reader(buffer);
        QCOMPARE(reader.valid(), c.accepted);
        QCOMPARE(reader.size(), c.accepted ? c.claimed : QSize());
    }
}

void JxlReaderTest::cancelledDecodesFail() {
    const std::atomic<bool> cancelled{true};
    QVERIFY(picture_loader::decode(made("lossless.jxl")).ok);
    QVERIFY(!picture_loader::decode(made("lossless.jxl"), std::nullopt, nullptr, &cancelled).ok);
}

QTEST_GUILESS_MAIN(JxlReaderTest)
#include "test_jxlreader.moc"
