#include "picture/PngReader.h"

#include "picture/DecodeLimit.h"
#include "picture/RowReducer.h"

#include <QRgb>

#include <csetjmp>
#include <vector>

#include <png.h>

struct PngReader::Library {
    png_structp png = nullptr;
    png_infop info = nullptr;
};

namespace {

// Wider rows than any honest picture has; libpng's own limit is a million.
constexpr png_uint_32 MaxSide = 1 << 17;

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

PngReader::PngReader(QIODevice& file) : file_(file), png_(new Library) {
    if (!file.seek(0))
        return;
    png_->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, ignoreWarning);
    if (!png_->png)
        return;
    png_->info = png_create_info_struct(png_->png);
    if (!png_->info)
        return;
    png_set_read_fn(png_->png, &file_, readFrom);
    png_set_user_limits(png_->png, MaxSide, MaxSide);
    valid_ = readHeader();
}

PngReader::~PngReader() {
    if (png_->png)
        png_destroy_read_struct(&png_->png, png_->info ? &png_->info : nullptr, nullptr);
    delete png_;
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
    interlaced_ = interlace != PNG_INTERLACE_NONE;
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS);
    alpha_ = (colour & PNG_COLOR_MASK_ALPHA) || transparency;
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

bool PngReader::read(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_)
        return false;
    return interlaced_ ? readInterlaced(rows, limit) : readInOrder(rows, limit);
}

bool PngReader::readInOrder(RowReducer& rows, const DecodeLimit& limit) {
    const int w = size_.width(), h = size_.height();
    // Rows come top to bottom: those below the last one wanted need no decoding.
    int last = h - 1;
    while (last >= 0 && !rows.wants(last))
        --last;
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
