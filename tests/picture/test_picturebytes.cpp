// Pictures written byte by byte, for what no sample file pins down.
#include "FloodedJpeg.h"
#include "picture/PictureLoader.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/readers/GifReader.h"
#include "picture/reduce/RowReducer.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <thread>

class PictureBytesTest : public QObject {
    Q_OBJECT
private slots:
    void bitFieldChannelsSpanTheWholeRange();
    void plainAlphaCountsOnlyWhereSomePixelHasIt();
    void runLengthDeltaMovesToItsColumn();
    void gifsAreJudgedByTheirFrame();
    void floodedJpegsAreGivenUp();
    void decodeLimitCountsTheDecodesOwnWork();
    void floodsAreStoppedByTheWorkTheyCost();
    void jpegsAreReadForAScreenUpTo2To30Pixels();

private:
    QString write(const QByteArray& bytes) {
        const QString path = dir_.filePath(QString::number(++files_));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    QTemporaryDir dir_;
    int files_ = 0;
};

namespace {

QByteArray le(quint32 value, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i));
    return out;
}

// A bottom-up BMP with an info header of `infoSize` bytes (56 and up hold four masks), a palette and
// the rows as given.
QByteArray bmp(int width, int height, int bits, int compression, const QList<quint32>& masks,
               const QByteArray& rows, int infoSize = 56, const QByteArray& palette = {}) {
    QByteArray info = le(quint32(infoSize), 4) + le(quint32(width), 4) + le(quint32(height), 4) + le(1, 2) +
                      le(quint32(bits), 2) + le(quint32(compression), 4) + le(quint32(rows.size()), 4) +
                      le(2835, 4) + le(2835, 4) + le(quint32(palette.size() / 4), 4) + le(0, 4);
    for (quint32 m : masks)
        info += le(m, 4);
    info.resize(infoSize, '\0');
    const quint32 offset = 14 + quint32(infoSize) + quint32(palette.size());
    return "BM" + le(offset + quint32(rows.size()), 4) + le(0, 4) + le(offset, 4) + info + palette + rows;
}

// A GIF of `screen` whose one frame `frame` has a two-colour table (black, white) unless `table`
// is false, and the LZW data as given.
QByteArray gif(QSize screen, QRect frame, int codeSize, const QByteArray& data, bool table = true) {
    QByteArray out = "GIF89a" + le(quint32(screen.width()), 2) + le(quint32(screen.height()), 2) +
                     char(table ? 0x80 : 0) + '\0' + '\0';
    if (table)
        out += QByteArray::fromHex("000000ffffff");
    out += ',' + le(quint32(frame.x()), 2) + le(quint32(frame.y()), 2) + le(quint32(frame.width()), 2) +
           le(quint32(frame.height()), 2) + '\0' + char(codeSize);
    if (!data.isEmpty())
        out += char(data.size()) + data;
    return out + '\0' + ';';
}

// One white pixel in 3-bit codes: clear (4), index 1, end (5).
const QByteArray OneWhitePixel = QByteArray::fromHex("4c01");

} // namespace

void PictureBytesTest::bitFieldChannelsSpanTheWholeRange() {
    // Channels of every width reach 255 at their largest value; the middle of a short one lies
    // where its share of the range does.
    const struct {
        int bits;
        QList<quint32> masks;
        quint32 pixel;
        QRgb expected;
    } table[] = {
        {16, {0x7c00, 0x03e0, 0x001f, 0x8000}, 0xffff, qRgba(255, 255, 255, 255)},
        {16, {0x7c00, 0x03e0, 0x001f, 0x8000}, 0x7c00, qRgba(255, 0, 0, 0)},
        {16, {0x7c00, 0x03e0, 0x001f, 0x8000}, 0x8000 | 16 << 5, qRgba(0, 132, 0, 255)},
        {16, {0x0f00, 0x00f0, 0x000f, 0xf000}, 0xf00f, qRgba(0, 0, 255, 255)},
        {16, {0xf800, 0x07e0, 0x001f, 0}, 0x07e0, qRgb(0, 255, 0)},
        {32, {0x30, 0x0c, 0x03, 0}, 0x2d, qRgb(170, 255, 85)},
        {32, {0xffc00000, 0x003ff000, 0x00000ffc, 0}, 0xffc00000, qRgb(255, 0, 0)},
    };
    for (const auto& row : table) {
        const QByteArray pixel = le(row.pixel, row.bits / 8);
        const QByteArray rows = pixel + QByteArray(4 - pixel.size(), '\0');
        const LoadedPicture p = picture_loader::decode(write(bmp(1, 1, row.bits, 3, row.masks, rows)));
        QVERIFY(p.ok);
        const QRgb got = p.image.convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
        QVERIFY2(got == row.expected || (qAlpha(got) == 0 && qAlpha(row.expected) == 0),
                 qPrintable(QString("%1: %2").arg(row.pixel, 0, 16).arg(got, 8, 16)));
    }
}

void PictureBytesTest::plainAlphaCountsOnlyWhereSomePixelHasIt() {
    // 32-bit pixels without bit fields under a V5 header that names an alpha mask: fourth bytes all
    // 0 are a filler and the picture is opaque; once any pixel has alpha, alpha is meant.
    const QList<quint32> masks{0xff0000, 0xff00, 0xff, 0xff000000u};
    const QByteArray zero = QByteArray::fromHex("ff000000"
                                                "00ff0000");
    const QByteArray some = QByteArray::fromHex("ff000000"
                                                "00ff0080");
    const QImage opaque = picture_loader::decode(write(bmp(2, 1, 32, 0, masks, zero, 124))).image;
    const QImage blended = picture_loader::decode(write(bmp(2, 1, 32, 0, masks, some, 124))).image;
    QCOMPARE(opaque.convertToFormat(QImage::Format_ARGB32).pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(opaque.convertToFormat(QImage::Format_ARGB32).pixel(1, 0), qRgb(0, 255, 0));
    QCOMPARE(qAlpha(blended.convertToFormat(QImage::Format_ARGB32).pixel(0, 0)), 0);
    QCOMPARE(blended.convertToFormat(QImage::Format_ARGB32).pixel(1, 0), qRgba(0, 255, 0, 128));
}

void PictureBytesTest::runLengthDeltaMovesToItsColumn() {
    // 8 x 2, RLE8: the bottom row two red pixels, a move 3 to the right, one green pixel; the top
    // row eight red ones. At its own size and reduced to half its width.
    const QByteArray palette = QByteArray::fromHex("00000000"
                                                   "0000ff00"
                                                   "00ff0000");
    const QByteArray codes = QByteArray::fromHex("0201"
                                                 "00020300"
                                                 "0102"
                                                 "0000"
                                                 "0801"
                                                 "0001");
    const QString path = write(bmp(8, 2, 8, 1, {}, codes, 40, palette));
    const QImage own = picture_loader::decode(path).image.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(own.size(), QSize(8, 2));
    QCOMPARE(own.pixel(1, 1), qRgb(255, 0, 0));
    for (int x : {2, 3, 4, 6, 7})
        QCOMPARE(qAlpha(own.pixel(x, 1)), 0);
    QCOMPARE(own.pixel(5, 1), qRgb(0, 255, 0));
    QCOMPARE(own.pixel(7, 0), qRgb(255, 0, 0));
}

void PictureBytesTest::gifsAreJudgedByTheirFrame() {
    const QRect dot(0, 0, 1, 1);
    const ShowGeometry screen{QSize(1920, 1080), true, true};
    // One pixel on a screen of 16 and of 400 megapixels: a picture, shown reduced like a BMP of that
    // size; decoded whole, the larger is refused as such a BMP is.
    for (const QSize logical : {QSize(4000, 4000), QSize(20000, 20000)}) {
        const QString path = write(gif(logical, dot, 2, OneWhitePixel));
        const LoadedPicture shown = picture_loader::decode(path, screen);
        QVERIFY(shown.ok);
        QCOMPARE(shown.size, logical);
        QCOMPARE(picture_loader::decode(path).ok, logical.width() < 10000);
    }
    // What cannot be decoded is a failure rather than a box of nothing: no colour table, data that
    // ends before a row, a code size that leaves LZW no codes of its own.
    QVERIFY(picture_loader::decode(write(gif(QSize(1, 1), dot, 2, OneWhitePixel))).ok);
    QVERIFY(!picture_loader::decode(write(gif(QSize(1, 1), dot, 2, OneWhitePixel, false))).ok);
    QVERIFY(!picture_loader::decode(write(gif(QSize(1, 1), dot, 2, QByteArray::fromHex("2c")))).ok);
    QVERIFY(!picture_loader::decode(write(gif(QSize(1, 1), dot, 12, OneWhitePixel))).ok);
}

void PictureBytesTest::floodedJpegsAreGivenUp() {
    // A hundred scans more than it needs is still a picture; thousands, or tens of thousands of
    // empty ones, are a failure rather than minutes of work.
    const ShowGeometry screen{QSize(1920, 1080), true, true};
    const QByteArray jpeg = flooded_jpeg::honest(QSize(400, 300));
    QVERIFY(picture_loader::decode(write(jpeg), screen).ok);
    QVERIFY(picture_loader::decode(write(flooded_jpeg::repeatingLastScan(jpeg, 100)), screen).ok);
    QVERIFY(!picture_loader::decode(write(flooded_jpeg::repeatingLastScan(jpeg, 3000)), screen).ok);
    QVERIFY(!picture_loader::decode(write(flooded_jpeg::withEmptyScans(jpeg, 20000)), screen).ok);
    // A decode nobody wants any more ends, whatever the format.
    const std::atomic<bool> cancelled{true};
    const QString bmpPath = write(bmp(1, 1, 24, 0, {}, QByteArray(4, '\0'), 40));
    QVERIFY(picture_loader::decode(bmpPath, screen).ok);
    QVERIFY(!picture_loader::decode(bmpPath, screen, nullptr, &cancelled).ok);
    QVERIFY(!picture_loader::decode(write(jpeg), screen, nullptr, &cancelled).ok);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && QImage(8, 8, QImage::Format_RGB32).save(&buffer, "png"));
    QVERIFY(picture_loader::decode(write(png), screen).ok);
    QVERIFY(!picture_loader::decode(write(png), screen, nullptr, &cancelled).ok);
    // A format without a reader here, read by Qt's.
    QByteArray ppm;
    QBuffer ppmBuffer(&ppm);
    QVERIFY(ppmBuffer.open(QIODevice::WriteOnly) &&
            QImage(8, 8, QImage::Format_RGB32).save(&ppmBuffer, "ppm"));
    QVERIFY(picture_loader::decode(write(ppm), screen).ok);
    QVERIFY(!picture_loader::decode(write(ppm), screen, nullptr, &cancelled).ok);
}

void PictureBytesTest::decodeLimitCountsTheDecodesOwnWork() {
    using namespace std::chrono_literals;
    // Waiting is not work: a decode that waits (for the disk, for a processor that other programs
    // keep busy) far longer than its allowance is not over, however much other threads work meanwhile.
    DecodeLimit waiting(nullptr, 20ms);
    std::atomic<bool> stop{false};
    std::thread busy([&] {
        volatile unsigned spins = 0;
        while (!stop.load(std::memory_order_relaxed))
            spins = spins + 1;
    });
    std::this_thread::sleep_for(200ms);
    const bool overAfterWaiting = waiting.over();
    const auto waited = waiting.work();
    stop = true;
    busy.join();
    QVERIFY(!overAfterWaiting);
    QVERIFY(waited < 20ms);
    // Work is: the decoding thread goes over once its own work passes the allowance, and not before;
    // asked from another thread (a library's callback), the limit still counts the decoding thread's.
    DecodeLimit working(nullptr, 20ms);
    volatile unsigned spins = 0;
    while (!working.over()) {
        QVERIFY(working.work() <= working.allowed() + 20ms);
        spins = spins + 1;
    }
    QVERIFY(working.work() > working.allowed());
    bool seenElsewhere = false;
    std::thread([&] { seenElsewhere = working.over() && working.work() < working.allowed() + 1s; }).join();
    QVERIFY(seenElsewhere);
    // A picture's size adds to the allowance: a tenth of a second of work a megapixel.
    DecodeLimit sized(nullptr, 20ms);
    sized.allowFor(10'000'000);
    QCOMPARE(std::chrono::duration_cast<std::chrono::milliseconds>(sized.allowed()), 1020ms);
}

void PictureBytesTest::floodsAreStoppedByTheWorkTheyCost() {
    // One pixel on a screen of 65535 x 65535, reduced to a screen: 4 billion pixels of screen that
    // cost a row each. Given a little work, the read gives up once that work is done.
    const QString path = write(gif(QSize(65535, 65535), QRect(0, 0, 1, 1), 2, OneWhitePixel));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    GifReader reader(file);
    QVERIFY(reader.valid());
    RowReducer rows = RowReducer::reducing(reader.size(), QSize(1920, 1080), reader.hasAlpha(), true);
    using namespace std::chrono_literals;
    const DecodeLimit scant(nullptr, 0ns);
    QVERIFY(!reader.readRows(rows, scant));
    QVERIFY(scant.work() > scant.allowed());
}

void PictureBytesTest::jpegsAreReadForAScreenUpTo2To30Pixels() {
    // A baseline JPEG whose frame header claims more than its data codes, which libjpeg shows as far
    // as the data goes: 20000 x 20000 (past 2^28 pixels) is a picture on a screen, 40000 x 40000 (past
    // 2^30) is refused at once; decoded whole, neither is.
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && small.save(&buffer, "jpg"));
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    QVERIFY(frame > 0);
    const ShowGeometry screen{QSize(1920, 1080), true, true};
    for (const int side : {20000, 40000}) {
        QByteArray claimed = jpeg;
        for (const int at : {5, 7}) {
            claimed[frame + at] = char(side >> 8);
            claimed[frame + at + 1] = char(side & 0xff);
        }
        const QString path = write(claimed);
        const LoadedPicture shown = picture_loader::decode(path, screen);
        QCOMPARE(shown.ok, side == 20000);
        if (shown.ok)
            QCOMPARE(shown.size, QSize(side, side));
        QVERIFY(!picture_loader::decode(path).ok);
    }
}

QTEST_MAIN(PictureBytesTest)
#include "test_picturebytes.moc"
