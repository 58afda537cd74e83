#include "picture/PictureLoader.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/readers/PngReader.h"
#include "picture/readers/PngWholeData.h"
#include "picture/reduce/Orientation.h"
#include "picture/reduce/RowReducer.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <libdeflate.h>
#include <png.h>

#include <vector>

class PngReaderTest : public QObject {
    Q_OBJECT
private slots:
    void bothWaysGiveTheSame();
    void madePicturesBothWays_data();
    void madePicturesBothWays();
    void damagedDataIsReadStreaming_data();
    void damagedDataIsReadStreaming();
    void picturesReadAtOnceShareTheirMemory();
    void exifOrientationTurnsThePicture_data();
    void exifOrientationTurnsThePicture();
    void picturesBeyondTheStreamedBoundAreRefusedAtOnce();
};

namespace {

struct Read {
    bool ok = false;
    bool whole = false;
    QImage image;
};

// All of the picture, or the middle third of its rows (whose data after them is never wanted).
Read readPng(QIODevice& file, PngReader::Way way, bool middle) {
    PngReader reader(file, way);
    Read result;
    if (!reader.valid())
        return result;
    const QSize size = reader.size();
    const QRect part = middle ? QRect(0, size.height() / 3, size.width(), std::max(1, size.height() / 3))
                              : QRect(QPoint(0, 0), size);
    RowReducer rows = RowReducer::keeping(size, part, reader.hasAlpha());
    result.ok = reader.readRows(rows, DecodeLimit());
    result.whole = reader.readWhole();
    result.image = rows.take();
    return result;
}

Read readPng(QByteArray bytes, PngReader::Way way, bool middle = false) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPng(buffer, way, middle);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

quint32 bigEndian(const QByteArray& b, qsizetype at) {
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 | quint32(quint8(b[at + 2])) << 8 |
           quint8(b[at + 3]);
}

// Where the first data chunk's header starts.
qsizetype firstData(const QByteArray& png) {
    qsizetype at = 8;
    while (at + 8 <= png.size() && png.mid(at + 4, 4) != "IDAT")
        at += 12 + qsizetype(bigEndian(png, at));
    return at;
}

void append(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flush(png_structp) {}

// A picture of `colour` type in 8-bit samples, every row with `filter`, its samples drawn from a few
// values so that the filters' predictions often tie; grey, RGB and palette pictures with
// transparency, the palette's indices reaching past its end.
QByteArray madePng(int colour, int filter) {
    constexpr int W = 61, H = 23;
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!png || !info || setjmp(png_jmpbuf(png)))
        qFatal("cannot write a PNG");
    png_set_write_fn(png, &out, append, flush);
    png_set_check_for_invalid_index(png, 0);
    png_set_IHDR(png, info, W, H, 8, colour, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, 0, filter);
    png_color palette[16];
    png_byte alphas[5] = {0, 40, 255, 128, 7};
    for (int i = 0; i < 16; ++i)
        palette[i] = png_color{png_byte(i * 16), png_byte(255 - i * 9), png_byte(i * i)};
    png_color_16 key{};
    key.gray = 5;
    key.red = 5;
    key.green = 10;
    key.blue = 5;
    if (colour == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, 16);
        png_set_tRNS(png, info, alphas, 5, nullptr);
    } else if (!(colour & PNG_COLOR_MASK_ALPHA)) {
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    std::vector<png_byte> row(size_t(W * channels));
    quint32 seed = 12345;
    for (int y = 0; y < H; ++y) {
        for (size_t i = 0; i < row.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            const int v = int(seed >> 16) % 4;
            row[i] = png_byte(colour == PNG_COLOR_TYPE_PALETTE ? v * 6
                              : v == 3                         ? 250
                                                               : v * 5 + (i % 3 == 1 ? 5 : 0));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A picture with something different in each corner, colour and alpha changing across and down.
QImage corners(bool alpha) {
    QImage image(37, 23, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(
                x, y, qRgba(x * 255 / 36, y * 255 / 22, x < 5 && y < 5 ? 255 : 60, alpha ? 60 + x * 5 : 255));
    return image;
}

// `image` as a PNG written by libpng with an eXIf chunk (before the data, as libpng writes it) of
// the Orientation `orientation`, in 8 or 16-bit samples.
QByteArray pngWithExif(const QImage& image, int orientation, int depth) {
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!png || !info || setjmp(png_jmpbuf(png)))
        qFatal("cannot write a PNG");
    png_set_write_fn(png, &out, append, flush);
    const bool alpha = image.hasAlphaChannel();
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), depth,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // A TIFF structure, big-endian, of one entry: Orientation, a SHORT.
    const unsigned char exif[] = {'M',  'M',  0, 42, 0, 0, 0, 8, 0, 1,
                                  0x01, 0x12, 0, 3,  0, 0, 0, 1, 0, static_cast<unsigned char>(orientation),
                                  0,    0,    0, 0,  0, 0};
    png_set_eXIf_1(png, info, png_uint_32(sizeof exif), const_cast<png_bytep>(exif));
    png_write_info(png, info);
    if (depth == 16)
        png_set_swap(png);
    const int channels = alpha ? 4 : 3;
    std::vector<quint16> row(size_t(image.width() * channels));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int v[4] = {qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
            for (int c = 0; c < channels; ++c)
                row[size_t(x * channels + c)] = quint16(depth == 16 ? v[c] * 257 : v[c]);
        }
        if (depth == 16) {
            png_write_row(png, reinterpret_cast<png_bytep>(row.data()));
        } else {
            std::vector<png_byte> bytes(row.begin(), row.end());
            png_write_row(png, bytes.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace

void PngReaderTest::exifOrientationTurnsThePicture_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("alpha");
    for (int o = 1; o <= 8; ++o)
        for (const int depth : {8, 16})
            QTest::addRow("orientation %d, %d bits", o, depth) << o << depth << (o % 2 == 0);
}

void PngReaderTest::exifOrientationTurnsThePicture() {
    QFETCH(int, orientation);
    QFETCH(int, depth);
    QFETCH(bool, alpha);
    QTemporaryDir dir;
    const QImage stored = corners(alpha);
    const QString path = dir.filePath("turned.png");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pngWithExif(stored, orientation, depth)) > 0);
    file.close();
    QFile readBack(path);
    QVERIFY(readBack.open(QIODevice::ReadOnly));
    QCOMPARE(PngReader(readBack).orientation(), orientation);
    const QImage upright = standUpright(stored, orientation).convertToFormat(QImage::Format_ARGB32);
    // Whole, and the part on a smaller screen at its own size.
    const LoadedPicture whole = picture_loader::decode(path);
    QVERIFY(whole.ok);
    QCOMPARE(whole.size, upright.size());
    QCOMPARE(whole.image.convertToFormat(QImage::Format_ARGB32), upright);
    const LoadedPicture part = picture_loader::decode(path, ShowGeometry{QSize(20, 15), false, false});
    QVERIFY(part.ok);
    QCOMPARE(part.image.convertToFormat(QImage::Format_ARGB32), upright.copy(part.region));
}

void PngReaderTest::picturesBeyondTheStreamedBoundAreRefusedAtOnce() {
    // Grey pictures whose data codes their first rows and ends, after a private chunk of padding large
    // enough that the file could code them whole: read for a screen, 2^30 pixels (32768 x 32768) are
    // a picture (its first rows), 50000 x 50000 are refused before any row is decoded, rather than
    // taking tens of seconds; decoded whole, neither is.
    const auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray out;
        const auto be = [&](quint32 v) {
            for (int i = 3; i >= 0; --i)
                out += char(v >> (8 * i));
        };
        be(quint32(data.size()));
        const QByteArray typed = QByteArray(type) + data;
        out += typed;
        be(libdeflate_crc32(0, typed.constData(), size_t(typed.size())));
        return out;
    };
    QTemporaryDir dir;
    for (const int side : {32768, 50000}) {
        QByteArray header;
        for (const quint32 v : {quint32(side), quint32(side)})
            for (int i = 3; i >= 0; --i)
                header += char(v >> (8 * i));
        header += QByteArray("\x08\x00\x00\x00\x00", 5);
        const QByteArray rows(qsizetype(side + 1) * 8, '\0');
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
                               chunk("paDd", QByteArray(200000, 'x')) +
                               chunk("IDAT", qCompress(rows, 9).mid(4)) + chunk("IEND", {});
        const QString path = dir.filePath(QString("%1.png").arg(side));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(png) == png.size());
        file.close();
        const LoadedPicture shown = picture_loader::decode(path, ShowGeometry{QSize(1920, 1080), true, true});
        QCOMPARE(shown.ok, side == 32768);
        if (shown.ok)
            QCOMPARE(shown.size, QSize(side, side));
        QVERIFY(!picture_loader::decode(path).ok);
    }
}

void PngReaderTest::madePicturesBothWays_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("filter");
    const std::pair<const char*, int> colours[] = {{"grey", PNG_COLOR_TYPE_GRAY},
                                                   {"grey+alpha", PNG_COLOR_TYPE_GRAY_ALPHA},
                                                   {"rgb", PNG_COLOR_TYPE_RGB},
                                                   {"rgba", PNG_COLOR_TYPE_RGB_ALPHA},
                                                   {"palette", PNG_COLOR_TYPE_PALETTE}};
    const std::pair<const char*, int> filters[] = {{"none", PNG_FILTER_NONE},
                                                   {"sub", PNG_FILTER_SUB},
                                                   {"up", PNG_FILTER_UP},
                                                   {"average", PNG_FILTER_AVG},
                                                   {"paeth", PNG_FILTER_PAETH}};
    for (const auto& [colourName, colour] : colours)
        for (const auto& [filterName, filter] : filters)
            QTest::addRow("%s %s", colourName, filterName) << colour << filter;
}

void PngReaderTest::madePicturesBothWays() {
    // Each kind of pixel read at once as 8-bit samples, through each filter: as libpng streams it.
    QFETCH(int, colour);
    QFETCH(int, filter);
    const QByteArray png = madePng(colour, filter);
    const Read fast = readPng(png, PngReader::Way::Fastest);
    const Read streamed = readPng(png, PngReader::Way::Streaming);
    QVERIFY(fast.whole);
    QVERIFY(fast.ok && streamed.ok);
    QCOMPARE(fast.image, streamed.image);
}

void PngReaderTest::bothWaysGiveTheSame() {
    // Every PNG of the public suites, whole and its middle rows: read at once or streaming, the same
    // success and the same pixels.
    int files = 0, whole = 0;
    QStringList unexpected;
    for (const char* suite : {"pngsuite", "pillow-modern"}) {
        QDirIterator it(QStringLiteral(LUMORA_TESTDATA "/") + suite, {"*.png"}, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            const QByteArray bytes = contents(path);
            ++files;
            for (const bool middle : {false, true}) {
                const Read fast = readPng(bytes, PngReader::Way::Fastest, middle);
                const Read streamed = readPng(bytes, PngReader::Way::Streaming, middle);
                whole += fast.whole;
                if (streamed.whole || fast.ok != streamed.ok || fast.image != streamed.image)
                    unexpected << QString("%1%2: ok %3 %4")
                                      .arg(path, middle ? " (middle)" : "")
                                      .arg(fast.ok)
                                      .arg(streamed.ok);
            }
        }
    }
    qInfo("whole %d", whole);
    QCOMPARE(files, 175 + 76);
    // The suites' usual pictures are read at once.
    QVERIFY2(whole > 150, qPrintable(QString::number(whole)));
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join("\n")));
}

void PngReaderTest::damagedDataIsReadStreaming_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("whole");
    // The header claiming a row more or less than the data holds: too little data or too much.
    for (const char* damage : {"crc", "cut", "stream", "adler", "taller", "shorter"})
        QTest::newRow(damage) << QString(damage) << false;
    // Cut after the data's last chunk: all of the data is there.
    QTest::newRow("no end") << QString("no end") << true;
}

void PngReaderTest::damagedDataIsReadStreaming() {
    // Truecolour with Paeth and Sub rows (one data chunk), read at once when sound; damaged, read
    // streaming from the start, which shows the rows before the damage (or fails) as it always has;
    // cut after its data, read at once all the same.
    QFETCH(QString, damage);
    QFETCH(bool, whole);
    QByteArray png = contents(QStringLiteral(LUMORA_TESTDATA "/pngsuite/f04n2c08.png"));
    QVERIFY(readPng(png, PngReader::Way::Fastest).whole);
    const qsizetype header = 8, chunk = firstData(png), data = chunk + 8;
    const qsizetype crc = data + qsizetype(bigEndian(png, chunk));
    // The CRC of the chunk at `at` over what it now holds.
    const auto seal = [&](qsizetype at) {
        const qsizetype length = qsizetype(bigEndian(png, at));
        const quint32 sum = libdeflate_crc32(0, png.constData() + at + 4, size_t(length + 4));
        for (int i = 0; i < 4; ++i)
            png[at + 8 + length + i] = char(sum >> (24 - 8 * i));
    };
    if (damage == "crc")
        png[crc] = char(png[crc] ^ 1);
    else if (damage == "cut")
        png.truncate(data + (crc - data) / 2);
    else if (damage == "stream")
        png[data + 2] = char(0xff); // a block type there is not
    else if (damage == "adler")
        png[crc - 1] = char(png[crc - 1] ^ 1);
    else if (damage == "taller" || damage == "shorter")
        png[header + 8 + 7] = char(png[header + 8 + 7] + (damage == "taller" ? 1 : -1));
    else if (damage == "no end")
        png.truncate(crc + 4);
    seal(header);
    if (damage != "crc" && damage != "cut")
        seal(chunk);
    const Read fast = readPng(png, PngReader::Way::Fastest);
    const Read streamed = readPng(png, PngReader::Way::Streaming);
    QCOMPARE(fast.whole, whole);
    QCOMPARE(fast.ok, streamed.ok);
    QCOMPARE(fast.image, streamed.image);
}

void PngReaderTest::picturesReadAtOnceShareTheirMemory() {
    // While other pictures hold what the readers share, one that would go over it streams; alone,
    // any picture under the cap is read whole.
    const QByteArray png = contents(QStringLiteral(LUMORA_TESTDATA "/pngsuite/f04n2c08.png"));
    {
        std::optional<png_whole::Share> others = png_whole::Share::take(png_whole::SharedCap - 1000);
        QVERIFY(others);
        QVERIFY(!readPng(png, PngReader::Way::Fastest).whole);
        QVERIFY(!png_whole::Share::take(png_whole::SharedCap));
    }
    QVERIFY(png_whole::Share::take(png_whole::SharedCap + 1));
    QVERIFY(readPng(png, PngReader::Way::Fastest).whole);
}

QTEST_GUILESS_MAIN(PngReaderTest)
#include "test_pngreader.moc"
