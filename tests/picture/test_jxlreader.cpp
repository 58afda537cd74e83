#include "ToolPictures.h"
#include "picture/PictureLoader.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/readers/JxlReader.h"
#include "picture/reduce/RowReducer.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace tool_pictures;

namespace {

// The sample at `size` with noise over it: groups of 256 cut short at the right and the bottom,
// and a lossless file large enough to come in several pieces.
QImage grouped(QImage::Format format, QSize size) {
    QImage image =
        sample(QImage::Format_ARGB32).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(format);
    QRandomGenerator noise(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] ^= noise.generate() & 0x001f1f1fu;
    }
    return image;
}

// `image` reduced to `target` by rows given top to bottom.
QImage reducedInOrder(const QImage& image, QSize target) {
    const QImage rows =
        image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    RowReducer reducer = RowReducer::reducing(rows.size(), target, rows.hasAlphaChannel(), true);
    for (int y = 0; y < rows.height(); ++y)
        reducer.put(y, reinterpret_cast<const QRgb*>(rows.constScanLine(y)), 0, rows.width());
    return reducer.take();
}

// Sets `cancelled` once more than `at` bytes have been read, as a show moving on while a picture
// decodes does.
struct CancellingBuffer : QBuffer {
    CancellingBuffer(QByteArray* bytes, qint64 at, std::atomic<bool>& cancelled)
        : QBuffer(bytes), at(at), cancelled(cancelled) {}
    qint64 readData(char* data, qint64 size) override {
        const qint64 got = QBuffer::readData(data, size);
        cancelled = cancelled || pos() + got > at;
        return got;
    }
    const qint64 at;
    std::atomic<bool>& cancelled;
};

} // namespace

class JxlReaderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesMatchDjxl_data();
    void picturesMatchDjxl();
    void headersBeyondTheLimitAreRefusedUndecoded();
    void unfinishedDecodesFailCleanly_data();
    void unfinishedDecodesFailCleanly();

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
    QVERIFY(grouped(QImage::Format_RGB32, QSize(600, 333)).save(made("groups.png")));
    QVERIFY(grouped(QImage::Format_ARGB32, QSize(333, 600)).save(made("groupsalpha.png")));
    QVERIFY(grouped(QImage::Format_RGB32, QSize(1000, 700)).save(made("noise.png")));
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
        {"groups.jxl", made("groups.png"), {"-d", "1"}},
        {"groupslossless.jxl", made("groups.png"), {"-d", "0", "-e", "1"}},
        {"groupsalpha.jxl", made("groupsalpha.png"), {"-d", "0", "-e", "1"}},
        // Groups stored from the top right outwards: read in pieces, the rows at the bottom are
        // complete first.
        {"outoforder.jxl",
         made("noise.png"),
         {"-d", "0", "-e", "1", "--group_order=1", "--center_x=999", "--center_y=0"}},
    };
    for (const auto& p : pictures) {
        run("cjxl", QStringList{p.from, made(p.name)} + p.options);
        const bool photo = p.from.endsWith(".jpg");
        const QSize size = photo ? QSize(1800, 1200) : QImage(p.from).size();
        QTest::newRow(p.name) << made(p.name) << size << p.from.endsWith("alpha.png")
                              << p.from.endsWith("p3.png");
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
    // Reduced as the rows complete, the same as the whole reduced row after row (a picture turned
    // a quarter is reduced before it is turned, which rounds otherwise by a little; colours given
    // with a profile are converted once reduced).
    const LoadedPicture reduced = picture_loader::decode(path, ShowGeometry{size / 3, true, false});
    QVERIFY(reduced.ok);
    QCOMPARE(reduced.image.size(), size / 3);
    if (!p3)
        QVERIFY(largestDifference(reduced.image, reducedInOrder(loaded.image, size / 3)) <= 1);
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
    // A 48 MP phone picture and one of 16384 x 16384 (2^28 pixels, as a real picture of 47 kB has it),
    // one row beyond, a header bomb, a side too long.
    for (const QSize claimed : {QSize(8000, 6000), QSize(16384, 16384), QSize(16384, 16385),
                                QSize(60000, 60000), QSize(70000, 16)}) {
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
        const bool fits = claimed == QSize(8000, 6000) || claimed == QSize(16384, 16384);
        QCOMPARE(reader.size(), fits ? claimed : QSize());
    }
}

void JxlReaderTest::unfinishedDecodesFailCleanly_data() {
    QTest::addColumn<double>("kept");        // of the file, or bytes where more than 1
    QTest::addColumn<double>("cancelledAt"); // of the file read; never beyond 1
    QTest::newRow("cut in the header") << 8.0 << 2.0;
    QTest::newRow("cut in the first groups") << 0.2 << 2.0;
    QTest::newRow("cut in the last group") << 0.995 << 2.0;
    QTest::newRow("cancelled while decoding") << 1.0 << 0.5;
}

void JxlReaderTest::unfinishedDecodesFailCleanly() {
    QFETCH(double, kept);
    QFETCH(double, cancelledAt);
    const QString path = dir_.filePath("noise.jxl");
    if (!QFile::exists(path)) {
        if (!QFile::exists(dir_.filePath("noise.png")))
            QVERIFY(grouped(QImage::Format_RGB32, QSize(1000, 700)).save(dir_.filePath("noise.png")));
        run("cjxl", {dir_.filePath("noise.png"), path, "-d", "0", "-e", "1"});
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    // Pieces of the file are read a quarter of a megabyte at a time: the decode must be under way
    // when it is cancelled.
    QVERIFY(bytes.size() > 3 * 256 * 1024);
    bytes.truncate(qsizetype(kept > 1 ? kept : double(bytes.size()) * kept));
    std::atomic<bool> cancelled{false};
    CancellingBuffer buffer(&bytes, qint64(double(bytes.size()) * cancelledAt), cancelled);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    JxlReader reader(buffer);
    QCOMPARE(reader.valid(), kept <= 1);
    if (!reader.valid())
        return;
    QCOMPARE(reader.size(), QSize(1000, 700));
    RowReducer rows = RowReducer::reducing(reader.size(), QSize(300, 200), false, reader.rowsInOrder());
    QVERIFY(!reader.readRows(rows, DecodeLimit(&cancelled)));
}

QTEST_GUILESS_MAIN(JxlReaderTest)
#include "test_jxlreader.moc"
