#include "picture/readers/TiffReader.h"

#include "picture/colour/ColourProfile.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/reduce/RowReducer.h"

#include <QRgb>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include <tiffio.h>

// Grey or RGB samples of a depth libtiff's RGBA interface does not convert (3, 5 to 7, 9 to 15
// bits), packed in rows, unpacked here.
struct PlainSamples {
    int bits = 0;
    bool floating = false; // IEEE floats of 32 or 64 bits, 0 to 1 shown as 0 to 255
    int colours = 1;       // 1 grey, 3 RGB
    int perPixel = 1;
    bool white = false; // grey with 0 for white
    int alpha = EXTRASAMPLE_UNSPECIFIED;
};

struct TiffReader::Library {
    TIFF* tif = nullptr;
    TIFFRGBAImage image{};
    bool begun = false;
    std::optional<PlainSamples> plain;
    // Whether the library gives colour multiplied by alpha: grey with unassociated alpha it gives
    // as stored.
    bool premultiplied = true;
    // The inks of 8-bit CMYK pictures through their embedded CMYK profile, as the JPEG reader does.
    std::optional<colour_profile::InkProfile> inks;
};

namespace {

// No single buffer libtiff allocates for a picture may be larger: the largest honest strip or tile
// is far smaller, and an uncompressed single strip is read in pieces by the library.
constexpr tmsize_t MaxAllocation = picture_limits::MaxHeldBytes;
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

// libtiff gives A, B, G, R from the top byte down, with the colour multiplied by the alpha unless
// `premultiplied` is false.
QRgb fromLibrary(uint32_t abgr, bool alpha, bool premultiplied) {
    const uint32_t r = TIFFGetR(abgr), g = TIFFGetG(abgr), b = TIFFGetB(abgr);
    if (!alpha)
        return qRgb(int(r), int(g), int(b));
    const uint32_t a = TIFFGetA(abgr);
    if (a == 0)
        return 0;
    if (a == 255 || !premultiplied)
        return qRgba(int(r), int(g), int(b), int(a));
    auto undo = [a](uint32_t c) { return int(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); };
    return qRgba(undo(r), undo(g), undo(b), int(a));
}

void convert(const uint32_t* from, QRgb* to, int count, bool alpha, bool premultiplied) {
    for (int x = 0; x < count; ++x)
        to[x] = fromLibrary(from[x], alpha, premultiplied);
}

std::optional<PlainSamples> plainSamples(TIFF* tif) {
    uint16_t bits = 0, perPixel = 1, photometric = 0, planar = PLANARCONFIG_CONTIG,
             format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &perPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return std::nullopt;
    PlainSamples plain;
    plain.bits = bits;
    plain.perPixel = perPixel;
    plain.white = photometric == PHOTOMETRIC_MINISWHITE;
    plain.colours = photometric == PHOTOMETRIC_RGB ? 3 : 1;
    plain.floating = format == SAMPLEFORMAT_IEEEFP;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const bool depth =
        plain.floating ? bits == 32 || bits == 64 : format == SAMPLEFORMAT_UINT && bits >= 1 && bits <= 16;
    if ((!grey && photometric != PHOTOMETRIC_RGB) || !depth || planar != PLANARCONFIG_CONTIG ||
        TIFFIsTiled(tif) || perPixel < plain.colours)
        return std::nullopt;
    uint16_t extras = 0;
    const uint16_t* kinds = nullptr;
    if (perPixel > plain.colours && TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extras, &kinds) &&
        extras > 0 && kinds && (kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA))
        plain.alpha = kinds[0];
    return plain;
}

// A row of `plain` samples, most significant bit first (whole bytes, words and floats as libtiff
// gives them, in the machine's order), as 0xAARRGGBB.
void unpack(const PlainSamples& plain, const unsigned char* line, QRgb* to, int count) {
    const uint32_t most = plain.floating ? 255 : (1u << plain.bits) - 1;
    size_t bit = 0;
    auto next = [&] {
        if (plain.floating) {
            double v = 0;
            if (plain.bits == 32) {
                float f;
                std::memcpy(&f, line + bit / 8, sizeof f);
                v = f;
            } else {
                std::memcpy(&v, line + bit / 8, sizeof v);
            }
            bit += size_t(plain.bits);
            // NaN as 0.
            return v > 0 ? int(std::min(v, 1.0) * 255.0 + 0.5) : 0;
        }
        if (plain.bits == 8)
            return int(line[(bit += 8) / 8 - 1]);
        if (plain.bits == 16) {
            uint16_t w;
            std::memcpy(&w, line + bit / 8, sizeof w);
            bit += 16;
            return int((uint32_t(w) * 255 + most / 2) / most);
        }
        uint32_t v = 0;
        for (int i = 0; i < plain.bits; ++i, ++bit)
            v = v << 1 | ((line[bit >> 3] >> (7 - (bit & 7))) & 1u);
        return int((v * 255 + most / 2) / most);
    };
    for (int x = 0; x < count; ++x) {
        int c[4] = {0, 0, 0, 255};
        for (int i = 0; i < plain.perPixel; ++i) {
            const int v = next();
            if (i < plain.colours)
                c[i] = plain.white ? 255 - v : v;
            else if (i == plain.colours)
                c[3] = plain.alpha == EXTRASAMPLE_UNSPECIFIED ? 255 : v;
        }
        if (plain.colours == 1)
            c[1] = c[2] = c[0];
        if (plain.alpha == EXTRASAMPLE_ASSOCALPHA && c[3] > 0 && c[3] < 255)
            for (int i = 0; i < 3; ++i)
                c[i] = std::min(255, (c[i] * 255 + c[3] / 2) / c[3]);
        to[x] = c[3] == 0 ? 0 : qRgba(c[0], c[1], c[2], c[3]);
    }
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
    uint32_t width = 0, height = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    // Grey with alpha in strips is unpacked here: libtiff gives its unassociated alpha as if
    // associated, and 16-bit grey without its alpha.
    if (const auto plain = plainSamples(tif);
        plain && plain->colours == 1 && plain->alpha != EXTRASAMPLE_UNSPECIFIED)
        tiff_->plain = plain;
    if (!tiff_->plain && TIFFRGBAImageOK(tif, message) &&
        TIFFRGBAImageBegin(&tiff_->image, tif, 1, message)) {
        tiff_->begun = true;
        TIFFRGBAImage& image = tiff_->image;
        width = image.width;
        height = image.height;
        alpha_ = image.alpha != 0;
        orientation = image.orientation;
        // Rows as stored: turning them upright is left to the caller, who may reduce them first.
        image.req_orientation = image.orientation;
        tiff_->premultiplied =
            !((image.photometric == PHOTOMETRIC_MINISBLACK || image.photometric == PHOTOMETRIC_MINISWHITE) &&
              image.alpha == EXTRASAMPLE_UNASSALPHA);
    } else if (tiff_->plain || (tiff_->plain = plainSamples(tif))) {
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
        alpha_ = tiff_->plain->alpha != EXTRASAMPLE_UNSPECIFIED;
    } else {
        return;
    }
    if (width == 0 || height == 0 || width > uint32_t(std::numeric_limits<int>::max()) ||
        height > uint32_t(std::numeric_limits<int>::max()))
        return;
    size_ = QSize(int(width), int(height));
    orientation_ = orientation >= 1 && orientation <= 8 ? orientation : 1;
    uint32_t iccLength = 0;
    const void* icc = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccLength, &icc) && icc && iccLength > 0)
        icc_ = QByteArray(static_cast<const char*>(icc), qsizetype(iccLength));
    uint16_t inkSet = INKSET_CMYK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
    if (tiff_->begun && !icc_.isEmpty() && tiff_->image.photometric == PHOTOMETRIC_SEPARATED &&
        tiff_->image.bitspersample == 8 && tiff_->image.samplesperpixel == 4 && tiff_->image.alpha == 0 &&
        tiff_->image.isContig && inkSet == INKSET_CMYK) {
        // TIFF stores 0 for no ink.
        colour_profile::InkProfile inks(icc_, false);
        if (inks.valid())
            tiff_->inks = std::move(inks);
    }
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

bool TiffReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_)
        return false;
    TIFF* tif = tiff_->tif;
    const TIFFRGBAImage& image = tiff_->image;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    // Strips of whole pixels can be read a row at a time, holding a row however large the strip,
    // tiles of whole pixels a row of tiles at a time; separate planes and subsampled colour are
    // converted by the library a band at a time.
    const bool byRows =
        tiff_->plain || (!TIFFIsTiled(tif) && image.isContig && image.photometric != PHOTOMETRIC_YCBCR &&
                         compression != COMPRESSION_OJPEG);
    if (byRows)
        return readScanlines(rows, limit);
    const bool byTiles = TIFFIsTiled(tif) && image.isContig && image.photometric != PHOTOMETRIC_YCBCR &&
                         compression != COMPRESSION_OJPEG;
    return byTiles ? readTiles(rows, limit) : readBands(rows, limit);
}

bool TiffReader::readScanlines(RowReducer& rows, const DecodeLimit& limit) {
    TIFF* tif = tiff_->tif;
    TIFFRGBAImage& image = tiff_->image;
    const int w = size_.width(), h = size_.height();
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    // A header may claim thousands of samples a pixel: one row of such a picture is no sensible
    // picture's, whatever the file holds.
    if (lineBytes <= 0 || lineBytes > MaxAllocation)
        return false;
    const RowReducer::Rows wantedRows = rows.wantedRows(h);
    int first = wantedRows.first;
    const int last = wantedRows.last;
    // Compressed rows can only be reached from the start of their strip.
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip > 0 && first < h)
        first -= int(uint32_t(first) % rowsPerStrip);
    std::vector<unsigned char> line(static_cast<size_t>(lineBytes));
    std::vector<uint32_t> converted(static_cast<size_t>(w));
    std::vector<QRgb> row(static_cast<size_t>(w));
    // Eight-bit RGB without alpha, as most files have it: libtiff's conversion is a plain repacking,
    // which is done here in one step rather than two.
    const int rgbStride = !tiff_->plain && image.photometric == PHOTOMETRIC_RGB && image.bitspersample == 8 &&
                                  image.alpha == 0 && image.samplesperpixel >= 3 &&
                                  lineBytes >= tmsize_t(w) * image.samplesperpixel
                              ? image.samplesperpixel
                              : 0;
    int decoded = 0;
    for (int y = first; y <= last; ++y) {
        if (limit.over())
            return false;
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0)
            break;
        ++decoded;
        if (!rows.wants(y))
            continue;
        if (tiff_->plain) {
            unpack(*tiff_->plain, line.data(), row.data(), w);
        } else if (tiff_->inks && lineBytes >= tmsize_t(w) * 4) {
            tiff_->inks->toRgb32(line.data(), row.data(), w);
        } else if (rgbStride) {
            const unsigned char* p = line.data();
            for (int x = 0; x < w; ++x, p += rgbStride)
                row[size_t(x)] = qRgb(p[0], p[1], p[2]);
        } else {
            image.put.contig(&image, converted.data(), 0, uint32_t(y), uint32_t(w), 1, 0, 0, line.data());
            convert(converted.data(), row.data(), w, alpha_, tiff_->premultiplied);
        }
        rows.put(y, row.data(), 0, w);
    }
    return decoded > 0;
}

bool TiffReader::readTiles(RowReducer& rows, const DecodeLimit& limit) {
    TIFF* tif = tiff_->tif;
    TIFFRGBAImage& image = tiff_->image;
    const int w = size_.width(), h = size_.height();
    uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
    const tmsize_t tileBytes = TIFFTileSize(tif), tileRowBytes = TIFFTileRowSize(tif);
    if (tileWidth == 0 || tileLength == 0 || tileBytes <= 0 || tileRowBytes <= 0)
        return false;
    const RowReducer::Columns wantedColumns = rows.wantedColumns(w);
    const int from = wantedColumns.from, to = wantedColumns.to;
    const int firstTile = int(uint32_t(from) / tileWidth),
              endTile = int((uint32_t(to) + tileWidth - 1) / tileWidth);
    // One row of tiles, as coded: a few screens' worth at most for any tile of a sensible size.
    if (qint64(endTile - firstTile) * tileBytes > MaxAllocation)
        return false;
    std::vector<unsigned char> tiles(size_t(endTile - firstTile) * size_t(tileBytes));
    std::vector<uint32_t> converted(static_cast<size_t>(w));
    std::vector<QRgb> row(static_cast<size_t>(w), 0);
    const int left = firstTile * int(tileWidth), right = std::min(w, endTile * int(tileWidth));
    int decoded = 0;
    for (qint64 top = 0; top < h; top += tileLength) {
        const int rowsHere = int(std::min<qint64>(tileLength, h - top));
        bool wanted = false;
        for (int y = int(top); y < int(top) + rowsHere && !wanted; ++y)
            wanted = rows.wants(y);
        if (!wanted)
            continue;
        if (limit.over())
            return false;
        bool whole = true;
        for (int t = firstTile; t < endTile && whole; ++t) {
            const ttile_t tile = TIFFComputeTile(tif, uint32_t(t) * tileWidth, uint32_t(top), 0, 0);
            whole = TIFFReadEncodedTile(tif, tile, &tiles[size_t(t - firstTile) * size_t(tileBytes)],
                                        tileBytes) >= 0;
        }
        if (!whole)
            break;
        ++decoded;
        for (int r = 0; r < rowsHere; ++r) {
            const int y = int(top) + r;
            if (!rows.wants(y))
                continue;
            for (int t = firstTile; t < endTile; ++t) {
                const int x = t * int(tileWidth), columns = std::min(int(tileWidth), w - x);
                unsigned char* coded =
                    &tiles[size_t(t - firstTile) * size_t(tileBytes) + size_t(r) * size_t(tileRowBytes)];
                if (tiff_->inks)
                    tiff_->inks->toRgb32(coded, row.data() + x, columns);
                else
                    image.put.contig(&image, converted.data() + x, uint32_t(x), uint32_t(y),
                                     uint32_t(columns), 1, 0, 0, coded);
            }
            if (!tiff_->inks)
                convert(converted.data() + left, row.data() + left, right - left, alpha_,
                        tiff_->premultiplied);
            rows.put(y, row.data(), left, right);
        }
    }
    return decoded > 0;
}

bool TiffReader::readBands(RowReducer& rows, const DecodeLimit& limit) {
    TIFF* tif = tiff_->tif;
    TIFFRGBAImage& image = tiff_->image;
    const int w = size_.width(), h = size_.height();
    const RowReducer::Columns wantedColumns = rows.wantedColumns(w);
    const int from = wantedColumns.from, to = wantedColumns.to;
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
            convert(raster.data() + size_t(r) * size_t(to - from), row.data() + from, to - from, alpha_,
                    tiff_->premultiplied);
            rows.put(y0 + r, row.data(), from, to);
        }
    }
    return decoded > 0;
}
