#include "picture/readers/PngReader.h"

#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/readers/ExifOrientation.h"
#include "picture/readers/PngWholeData.h"
#include "picture/reduce/RowReducer.h"

#include <QRgb>

#include <algorithm>
#include <csetjmp>
#include <vector>

#include <png.h>

struct PngReader::Library {
    png_structp png = nullptr;
    png_infop info = nullptr;
};

namespace {

// Wider rows than any honest picture has; libpng's own limit is a million.
constexpr png_uint_32 MaxSide = picture_limits::MaxRowSide;

void readFrom(png_structp png, png_bytep into, size_t length) {
    auto* file = static_cast<QIODevice*>(png_get_io_ptr(png));
    if (file->read(reinterpret_cast<char*>(into), qint64(length)) != qint64(length))
        png_error(png, "the file ends early");
}

// Errors end the decode quietly: a damaged picture is a failed load, not a message.
[[noreturn]] void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Runs `call` on libpng, whose errors jump back here: false when it failed. `call` must hold nothing
// that needs destroying, since an error leaves it without unwinding.
template <class Call> bool guarded(png_structp png, Call&& call) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    call();
    return true;
}

} // namespace

PngReader::PngReader(QIODevice& file, Way way) : file_(file), way_(way), png_(new Library) {
    valid_ = start();
}

PngReader::~PngReader() {
    if (png_->png)
        png_destroy_read_struct(&png_->png, png_->info ? &png_->info : nullptr, nullptr);
    delete png_;
}

bool PngReader::start() {
    if (png_->png)
        png_destroy_read_struct(&png_->png, png_->info ? &png_->info : nullptr, nullptr);
    png_->info = nullptr;
    if (!file_.seek(0))
        return false;
    png_->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, ignoreWarning);
    if (!png_->png)
        return false;
    png_->info = png_create_info_struct(png_->png);
    if (!png_->info)
        return false;
    png_set_read_fn(png_->png, &file_, readFrom);
    png_set_user_limits(png_->png, MaxSide, MaxSide);
    return readHeader();
}

bool PngReader::readHeader() {
    png_structp png = png_->png;
    png_infop info = png_->info;
    if (!guarded(png, [&] { png_read_info(png, info); }))
        return false;
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    if (!png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr))
        return false;
    if (width == 0 || height == 0 || width > MaxSide || height > MaxSide)
        return false;
    size_ = QSize(int(width), int(height));
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) && profile)
        icc_ = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    orientation_ = 1;
    if (png_get_eXIf_1(png, info, &exifLength, &exif) && exif)
        orientation_ =
            exifOrientation(QByteArrayView(reinterpret_cast<const char*>(exif), qsizetype(exifLength)));
    interlaced_ = interlace != PNG_INTERLACE_NONE;
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS);
    alpha_ = (colour & PNG_COLOR_MASK_ALPHA) || transparency;
    if (!interlaced_ && depth == 8)
        holdWhole(colour, transparency);
    // Every kind of pixel becomes 0xAARRGGBB, which little-endian memory holds as B, G, R, A.
    return guarded(png,
                   [&] {
                       if (colour == PNG_COLOR_TYPE_PALETTE)
                           png_set_palette_to_rgb(png);
                       if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
                           png_set_expand_gray_1_2_4_to_8(png);
                       if (transparency)
                           png_set_tRNS_to_alpha(png);
                       if (depth == 16)
                           png_set_scale_16(png);
                       if (!(colour & PNG_COLOR_MASK_COLOR))
                           png_set_gray_to_rgb(png);
                       png_set_bgr(png);
                       if (!alpha_)
                           png_set_filler(png, 0xff, PNG_FILLER_AFTER);
                       png_set_interlace_handling(png);
                       png_read_update_info(png, info);
                   }) &&
           png_get_rowbytes(png, info) == size_t(width) * 4;
}

void PngReader::holdWhole(int colour, bool transparency) {
    png_structp png = png_->png;
    png_infop info = png_->info;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p key = nullptr;
    pixelBytes_ = 0;
    if (transparency && !png_get_tRNS(png, info, &alphas, &alphaCount, &key))
        return;
    // A transparent colour beyond 8 bits is left to the streaming read.
    if (transparency && colour == PNG_COLOR_TYPE_GRAY && (!key || key->gray > 255))
        return;
    if (transparency && colour == PNG_COLOR_TYPE_RGB &&
        (!key || key->red > 255 || key->green > 255 || key->blue > 255))
        return;
    shades_.clear();
    transparent_[0] = transparent_[1] = transparent_[2] = -1;
    switch (colour) {
    case PNG_COLOR_TYPE_RGB:
        pixelBytes_ = 3;
        if (transparency) {
            transparent_[0] = key->red;
            transparent_[1] = key->green;
            transparent_[2] = key->blue;
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        pixelBytes_ = 4;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        pixelBytes_ = 2;
        break;
    case PNG_COLOR_TYPE_GRAY:
        pixelBytes_ = 1;
        for (QRgb v = 0; v < 256; ++v)
            shades_.push_back(0xff000000u | v * 0x010101u);
        if (transparency)
            shades_[key->gray] &= 0xffffffu;
        break;
    case PNG_COLOR_TYPE_PALETTE: {
        png_colorp palette = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &palette, &count) || !palette)
            return;
        pixelBytes_ = 1;
        // Indices beyond the palette show black, as libpng's palette of 256 entries has it.
        shades_.assign(256, 0xff000000u);
        for (int i = 0; i < std::min(count, 256); ++i)
            shades_[size_t(i)] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
        for (int i = 0; alphas && i < std::min(alphaCount, 256); ++i)
            shades_[size_t(i)] = (shades_[size_t(i)] & 0xffffffu) | QRgb(alphas[i]) << 24;
        break;
    }
    default:
        return;
    }
    rowBytes_ = size_t(size_.width()) * size_t(pixelBytes_);
}

bool PngReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    readWhole_ = false;
    if (!valid_)
        return false;
    if (interlaced_)
        return readInterlaced(rows, limit);
    const int last = rows.wantedRows(size_.height()).last;
    if (way_ == Way::Fastest && pixelBytes_ > 0 && last >= 0) {
        switch (readAtOnce(rows, limit, last)) {
        case Outcome::Read:
            return true;
        case Outcome::Over:
            return false;
        case Outcome::Unusual:
            // Nothing is given to `rows` yet: the streaming read starts over.
            if (!(valid_ = start()))
                return false;
            break;
        }
    }
    return readInOrder(rows, limit);
}

PngReader::Outcome PngReader::readAtOnce(RowReducer& rows, const DecodeLimit& limit, int last) {
    if (limit.over())
        return Outcome::Over;
    const std::optional<png_whole::Data> data = png_whole::inflate(file_, rowBytes_, size_.height());
    if (!data || !png_whole::filtersKnown(*data, last))
        return Outcome::Unusual;
    const RowReducer::Columns wantedColumns = rows.wantedColumns(size_.width());
    const int from = wantedColumns.from, to = wantedColumns.to;
    // Pixels outside [from, to) stay transparent black, as `rows` takes them.
    std::vector<QRgb> row(size_t(size_.width()), 0);
    for (int y = 0; y <= last; ++y) {
        if (limit.over())
            return Outcome::Over;
        png_whole::unfilter(*data, y, pixelBytes_);
        if (!rows.wants(y))
            continue;
        const uint8_t* p = data->row(y) + 1 + size_t(from) * size_t(pixelBytes_);
        QRgb* out = row.data();
        switch (pixelBytes_) {
        case 1:
            for (int x = from; x < to; ++x)
                out[x] = shades_[*p++];
            break;
        case 2:
            for (int x = from; x < to; ++x, p += 2)
                out[x] = QRgb(p[1]) << 24 | QRgb(p[0]) * 0x010101u;
            break;
        case 3:
            if (transparent_[0] < 0)
                for (int x = from; x < to; ++x, p += 3)
                    out[x] = 0xff000000u | QRgb(p[0]) << 16 | QRgb(p[1]) << 8 | p[2];
            else
                for (int x = from; x < to; ++x, p += 3) {
                    const bool clear =
                        p[0] == transparent_[0] && p[1] == transparent_[1] && p[2] == transparent_[2];
                    out[x] = (clear ? 0u : 0xff000000u) | QRgb(p[0]) << 16 | QRgb(p[1]) << 8 | p[2];
                }
            break;
        default:
            for (int x = from; x < to; ++x, p += 4)
                out[x] = QRgb(p[3]) << 24 | QRgb(p[0]) << 16 | QRgb(p[1]) << 8 | p[2];
            break;
        }
        rows.put(y, out, from, to);
    }
    readWhole_ = true;
    return Outcome::Read;
}

bool PngReader::readInOrder(RowReducer& rows, const DecodeLimit& limit) {
    const int w = size_.width(), h = size_.height();
    // Rows come top to bottom: those below the last one wanted need no decoding.
    const int last = rows.wantedRows(h).last;
    std::vector<QRgb> row(static_cast<size_t>(w));
    auto* bytes = reinterpret_cast<png_bytep>(row.data());
    int decoded = 0;
    for (int y = 0; y <= last; ++y) {
        if (limit.over())
            return false;
        if (!guarded(png_->png, [&] { png_read_row(png_->png, bytes, nullptr); }))
            break;
        ++decoded;
        rows.put(y, row.data(), 0, w);
    }
    return decoded > 0;
}

bool PngReader::readInterlaced(RowReducer& rows, const DecodeLimit& limit) {
    const int w = size_.width(), h = size_.height();
    // Each pass adds pixels to rows that earlier passes began: the picture is held whole.
    std::vector<QRgb> picture(size_t(w) * size_t(h), 0);
    bool complete = true;
    for (int pass = 0; pass < 7 && complete; ++pass)
        for (int y = 0; y < h && complete; ++y) {
            if (limit.over())
                return false;
            auto* bytes = reinterpret_cast<png_bytep>(picture.data() + size_t(y) * size_t(w));
            complete = guarded(png_->png, [&] { png_read_row(png_->png, bytes, nullptr); });
        }
    // A picture cut short before its last pass has no finished row.
    if (!complete)
        return false;
    for (int y = 0; y < h; ++y)
        rows.put(y, picture.data() + size_t(y) * size_t(w), 0, w);
    return true;
}
