#include "picture/TiffReader.h"

#include "picture/DecodeLimit.h"
#include "picture/RowReducer.h"

#include <QRgb>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

#include <tiffio.h>

struct TiffReader::Library {
    TIFF* tif = nullptr;
    TIFFRGBAImage image{};
    bool begun = false;
};

namespace {

// No single buffer libtiff allocates for a picture may be larger: the largest honest strip or tile
// is far smaller, and an uncompressed single strip is read in pieces by the library.
constexpr tmsize_t MaxAllocation = tmsize_t(256) << 20;
// Rows read at once where the library converts whole strips or tiles: a band of at most this many
// pixels (a few screens' worth of 32-bit pixels).
constexpr qint64 MaxBandPixels = qint64(4) << 20;

QIODevice& deviceOf(thandle_t handle) {
    return *static_cast<QIODevice*>(handle);
}

tmsize_t readFrom(thandle_t handle, void* into, tmsize_t size) {
    return tmsize_t(deviceOf(handle).read(static_cast<char*>(into), qint64(size)));
}

tmsize_t noWrite(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence) {
    QIODevice& file = deviceOf(handle);
    qint64 to = qint64(offset);
    if (whence == SEEK_CUR)
        to += file.pos();
    else if (whence == SEEK_END)
        to += file.size();
    // Offsets past 2^63 come from damaged headers: they fail like any other seek out of the file.
    if (offset > toff_t(std::numeric_limits<qint64>::max()) || to < 0 || !file.seek(to))
        return toff_t(-1);
    return toff_t(to);
}

int noClose(thandle_t) {
    return 0;
}

toff_t sizeOf(thandle_t handle) {
    return toff_t(deviceOf(handle).size());
}

int noMap(thandle_t, void**, toff_t*) {
    return 0;
}

void noUnmap(thandle_t, void*, toff_t) {}

// A damaged picture is a failed load, not a message: libtiff's complaints are kept quiet, and no
// handler of the whole process (shared by every thread) is involved.
int quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// libtiff gives A, B, G, R from the top byte down, with the colour multiplied by the alpha.
QRgb fromLibrary(uint32_t abgr, bool alpha) {
    const uint32_t r = TIFFGetR(abgr), g = TIFFGetG(abgr), b = TIFFGetB(abgr);
    if (!alpha)
        return qRgb(int(r), int(g), int(b));
    const uint32_t a = TIFFGetA(abgr);
    if (a == 0)
        return 0;
    if (a == 255)
        return qRgba(int(r), int(g), int(b), 255);
    auto undo = [a](uint32_t c) { return int(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); };
    return qRgba(undo(r), undo(g), undo(b), int(a));
}

void convert(const uint32_t* from, QRgb* to, int count, bool alpha) {
    for (int x = 0; x < count; ++x)
        to[x] = fromLibrary(from[x], alpha);
}

} // namespace

TiffReader::TiffReader(QIODevice& file) : file_(file), tiff_(new Library) {
    if (!file.seek(0))
        return;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, MaxAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    // "m": never mapped, every read goes through the device.
    tiff_->tif = TIFFClientOpenExt("picture", "rm", &file_, readFrom, noWrite, seekTo, noClose, sizeOf, noMap,
                                   noUnmap, options);
    TIFFOpenOptionsFree(options);
    if (!tiff_->tif)
        return;
    TIFF* tif = tiff_->tif;
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&tiff_->image, tif, 1, message))
        return;
    tiff_->begun = true;
    TIFFRGBAImage& image = tiff_->image;
    if (image.width == 0 || image.height == 0 || image.width > uint32_t(std::numeric_limits<int>::max()) ||
        image.height > uint32_t(std::numeric_limits<int>::max()))
        return;
    size_ = QSize(int(image.width), int(image.height));
    alpha_ = image.alpha != 0;
    orientation_ = image.orientation >= 1 && image.orientation <= 8 ? image.orientation : 1;
    // Rows as stored: turning them upright is left to the caller, who may reduce them first.
    image.req_orientation = image.orientation;
    uint32_t iccLength = 0;
    const void* icc = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccLength, &icc) && icc && iccLength > 0)
        icc_ = QByteArray(static_cast<const char*>(icc), qsizetype(iccLength));
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    bilevel_ = compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
               compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4 ||
               compression == COMPRESSION_JBIG;
    valid_ = true;
}

TiffReader::~TiffReader() {
    if (tiff_->begun)
        TIFFRGBAImageEnd(&tiff_->image);
    if (tiff_->tif)
        TIFFClose(tiff_->tif);
    delete tiff_;
}

bool TiffReader::read(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_)
        return false;
    TIFF* tif = tiff_->tif;
    const TIFFRGBAImage& image = tiff_->image;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    // Strips of whole pixels can be read a row at a time, holding a row however large the strip;
    // tiles, separate planes and subsampled colour are converted by the library a band at a time.
    const bool byRows = !TIFFIsTiled(tif) && image.isContig && image.photometric != PHOTOMETRIC_YCBCR &&
                        compression != COMPRESSION_OJPEG;
    return byRows ? readScanlines(rows, limit) : readBands(rows, limit);
}

bool TiffReader::readScanlines(RowReducer& rows, const DecodeLimit& limit) {
    TIFF* tif = tiff_->tif;
    TIFFRGBAImage& image = tiff_->image;
    const int w = size_.width(), h = size_.height();
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes <= 0)
        return false;
    int first = 0, last = h - 1;
    while (first < h && !rows.wants(first))
        ++first;
    while (last >= first && !rows.wants(last))
        --last;
    // Compressed rows can only be reached from the start of their strip.
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip > 0 && first < h)
        first -= int(uint32_t(first) % rowsPerStrip);
    std::vector<unsigned char> line(static_cast<size_t>(lineBytes));
    std::vector<uint32_t> converted(static_cast<size_t>(w));
    std::vector<QRgb> row(static_cast<size_t>(w));
    int decoded = 0;
    for (int y = first; y <= last; ++y) {
        if (limit.over())
            return false;
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0)
            break;
        ++decoded;
        if (!rows.wants(y))
            continue;
        image.put.contig(&image, converted.data(), 0, uint32_t(y), uint32_t(w), 1, 0, 0, line.data());
        convert(converted.data(), row.data(), w, alpha_);
        rows.put(y, row.data(), 0, w);
    }
    return decoded > 0;
}

bool TiffReader::readBands(RowReducer& rows, const DecodeLimit& limit) {
    TIFF* tif = tiff_->tif;
    TIFFRGBAImage& image = tiff_->image;
    const int w = size_.width(), h = size_.height();
    const int from = std::clamp(rows.firstColumn(), 0, w), to = std::clamp(rows.endColumn(), from, w);
    if (to == from)
        return false;
    // Bands follow the layout's own rows, so that each strip or tile row is decoded once, and a
    // subsampled block is never cut.
    uint32_t layoutRows = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &layoutRows);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &layoutRows);
    uint16_t subH = 1, subV = 1;
    if (image.photometric == PHOTOMETRIC_YCBCR)
        TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &subH, &subV);
    const qint64 step = std::max<qint64>(subV, 1);
    qint64 band = std::clamp<qint64>(layoutRows, 1, h);
    band = std::min(band, std::max<qint64>(MaxBandPixels / (to - from), 1));
    band = std::max(step, band - band % step);
    std::vector<uint32_t> raster(size_t(band) * size_t(to - from));
    std::vector<QRgb> row(size_t(w), 0);
    int decoded = 0;
    for (int y0 = 0; y0 < h; y0 += int(band)) {
        const int rowsHere = int(std::min<qint64>(band, h - y0));
        bool wanted = false;
        for (int y = y0; y < y0 + rowsHere && !wanted; ++y)
            wanted = rows.wants(y);
        if (!wanted)
            continue;
        if (limit.over())
            return false;
        image.row_offset = y0;
        image.col_offset = from;
        if (!TIFFRGBAImageGet(&image, raster.data(), uint32_t(to - from), uint32_t(rowsHere)))
            break;
        ++decoded;
        for (int r = 0; r < rowsHere; ++r) {
            convert(raster.data() + size_t(r) * size_t(to - from), row.data() + from, to - from, alpha_);
            rows.put(y0 + r, row.data(), from, to);
        }
    }
    return decoded > 0;
}
