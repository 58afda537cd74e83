#include "player/JpegScaledDecoder.h"

#include <QTransform>

#include <csetjmp>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace jpeg_scaled {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {} // warnings (a truncated file, say) are not news to the user

quint16 read16(const JOCTET* p, bool little) {
    return little ? quint16(p[0] | p[1] << 8) : quint16(p[0] << 8 | p[1]);
}

quint32 read32(const JOCTET* p, bool little) {
    return little ? quint32(p[0] | p[1] << 8 | p[2] << 16 | quint32(p[3]) << 24)
                  : quint32(quint32(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
}

// The Orientation tag of the first IFD of an EXIF block.
int exifOrientation(const jpeg_saved_marker_ptr markers) {
    for (auto m = markers; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 14 || std::memcmp(m->data, "Exif\0\0", 6) != 0)
            continue;
        const JOCTET* tiff = m->data + 6;
        const quint32 size = m->data_length - 6;
        const bool little = tiff[0] == 'I';
        const quint32 ifd = read32(tiff + 4, little);
        if (ifd + 2 > size)
            return 1;
        const quint16 count = read16(tiff + ifd, little);
        for (quint32 i = 0; i < count; ++i) {
            const quint32 at = ifd + 2 + i * 12;
            if (at + 12 > size)
                return 1;
            if (read16(tiff + at, little) == 0x0112) {
                const int value = read16(tiff + at + 8, little);
                return value >= 1 && value <= 8 ? value : 1;
            }
        }
    }
    return 1;
}

// Resamples rows as they come out of the decoder: each output row blends the two source rows around
// its centre, and each output pixel the two source pixels around its centre.
class RowResampler {
public:
    RowResampler(QSize from, QImage& to) : from_(from), to_(to) {
        const int tw = to.width();
        x0_.resize(tw);
        wx_.resize(tw);
        const double sx = double(from.width()) / tw;
        for (int x = 0; x < tw; ++x) {
            const double pos = std::max(0.0, (x + 0.5) * sx - 0.5);
            x0_[x] = std::min(int(pos), from.width() - 1);
            wx_[x] = x0_[x] + 1 < from.width() ? int((pos - x0_[x]) * 256) : 0;
        }
        rows_[0].resize(size_t(from.width()) * 3);
        rows_[1].resize(size_t(from.width()) * 3);
    }

    // Buffer for the next source row; call `push` once it is filled.
    JSAMPROW next() { return rows_[have_ & 1].data(); }

    void push() {
        ++have_;
        const double sy = double(from_.height()) / to_.height();
        while (out_ < to_.height()) {
            const double pos = std::max(0.0, (out_ + 0.5) * sy - 0.5);
            const int y0 = std::min(int(pos), from_.height() - 1);
            const int y1 = std::min(y0 + 1, from_.height() - 1);
            // Rows come in order and the ratio stays below 2, so the two rows needed are always the
            // last two received by the time they are complete.
            if (y1 >= have_)
                return;
            const int wy = y1 > y0 ? int((pos - y0) * 256) : 0;
            const uchar* a = rows_[y0 & 1].data();
            const uchar* b = rows_[y1 & 1].data();
            uchar* dst = to_.scanLine(out_);
            for (int x = 0; x < to_.width(); ++x) {
                const int i0 = x0_[x] * 3;
                const int i1 = wx_[x] ? i0 + 3 : i0;
                const int w = wx_[x];
                for (int c = 0; c < 3; ++c) {
                    const int top = a[i0 + c] * (256 - w) + a[i1 + c] * w;
                    const int bottom = b[i0 + c] * (256 - w) + b[i1 + c] * w;
                    dst[3 * x + c] = uchar((top * (256 - wy) + bottom * wy + (1 << 15)) >> 16);
                }
            }
            ++out_;
        }
    }

private:
    QSize from_;
    QImage& to_;
    std::vector<int> x0_;
    std::vector<int> wx_;
    std::vector<JSAMPLE> rows_[2];
    int have_ = 0;
    int out_ = 0;
};

// libjpeg scales by whole eighths: the smallest one that still covers the target in both directions.
unsigned smallestCoveringEighths(QSize stored, QSize target) {
    unsigned e = 1;
    while (e < 8 && (qint64(stored.width()) * e < qint64(target.width()) * 8 ||
                     qint64(stored.height()) * e < qint64(target.height()) * 8))
        ++e;
    return e;
}

// libjpeg state that must outlive a longjmp out of the decoder.
struct Decompressor {
    jpeg_decompress_struct info{};
    ErrorManager errors{};

    Decompressor() {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = onError;
        errors.base.emit_message = onMessage;
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

bool readHeader(Decompressor& d, std::FILE* file) {
    if (setjmp(d.errors.jump))
        return false;
    jpeg_stdio_src(&d.info, file);
    jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
    return jpeg_read_header(&d.info, TRUE) == JPEG_HEADER_OK;
}

} // namespace

std::optional<Result> probe(std::FILE* file) {
    Decompressor d;
    if (!readHeader(d, file))
        return std::nullopt;
    Result r;
    r.stored = QSize(int(d.info.image_width), int(d.info.image_height));
    r.orientation = exifOrientation(d.info.marker_list);
    return r;
}

std::optional<Result> decode(std::FILE* file, QSize target) {
    Decompressor d;
    if (!readHeader(d, file) || target.isEmpty())
        return std::nullopt;
    const QSize stored(int(d.info.image_width), int(d.info.image_height));
    if (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK ||
        d.info.data_precision != 8)
        return std::nullopt;

    // Kept in memory: the decoder may jump back past its register copy.
    volatile unsigned eighths = smallestCoveringEighths(stored, target);

    Result result;
    result.stored = stored;
    result.orientation = exifOrientation(d.info.marker_list);
    QImage& out = result.image;
    std::optional<RowResampler> resampler;
    QImage whole; // only where the decoder's eighths leave more than twice the target
    // A fatal error part way fails the picture, as Qt's reader does; only warnings (a truncated
    // file) leave a partly grey picture.
    if (setjmp(d.errors.jump))
        return std::nullopt;
    d.info.scale_num = eighths;
    d.info.scale_denom = 8;
    d.info.out_color_space = JCS_RGB;
    d.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.info);
    const QSize decoded(int(d.info.output_width), int(d.info.output_height));
    const QSize size(std::min(target.width(), decoded.width()), std::min(target.height(), decoded.height()));
    // Three bytes a pixel: a quarter less memory for every picture held, and painting converts
    // on the fly at no visible cost.
    out = QImage(size, QImage::Format_RGB888);
    if (out.isNull())
        return std::nullopt;
    out.fill(Qt::gray); // what a truncated file leaves undecoded
    const bool twoTap = decoded.width() < 2 * size.width() && decoded.height() < 2 * size.height();
    if (size == decoded || !twoTap) {
        if (size != decoded) {
            whole = QImage(decoded, QImage::Format_RGB888);
            if (whole.isNull())
                return std::nullopt;
            whole.fill(Qt::gray);
        }
        QImage& into = size == decoded ? out : whole;
        while (d.info.output_scanline < d.info.output_height) {
            JSAMPROW row = into.scanLine(int(d.info.output_scanline));
            jpeg_read_scanlines(&d.info, &row, 1);
        }
        if (size != decoded)
            out = whole.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        resampler.emplace(decoded, out);
        while (d.info.output_scanline < d.info.output_height) {
            JSAMPROW row = resampler->next();
            jpeg_read_scanlines(&d.info, &row, 1);
            resampler->push();
        }
    }
    jpeg_finish_decompress(&d.info);
    return result;
}

QImage upright(QImage image, int orientation) {
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.transformed(QTransform().rotate(180));
    case 4:
        return image.mirrored(false, true);
    case 5:
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8:
        return image.transformed(QTransform().rotate(-90));
    default:
        return image;
    }
}

} // namespace jpeg_scaled
