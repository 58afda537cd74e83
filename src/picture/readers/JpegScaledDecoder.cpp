#include "picture/readers/JpegScaledDecoder.h"

#include "picture/colour/ColourProfile.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureMemory.h"
#include "picture/readers/ExifOrientation.h"

#include <QTransform>

#include <csetjmp>
#include <cstdlib>
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

// The Orientation tag of the first EXIF block.
int markerOrientation(const jpeg_saved_marker_ptr markers) {
    for (auto m = markers; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 14 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return exifOrientation(
                QByteArrayView(reinterpret_cast<const char*>(m->data), qsizetype(m->data_length)));
    return 1;
}

// The ICC profile, which may run over several APP2 markers. libjpeg stops the decode on a failed
// allocation: call where its errors are caught.
QByteArray iccProfile(jpeg_decompress_struct& info) {
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (!jpeg_read_icc_profile(&info, &data, &length))
        return QByteArray();
    QByteArray profile(reinterpret_cast<const char*>(data), qsizetype(length));
    std::free(data);
    return profile;
}

// The decoder's pixels in the layout of QImage::Format_RGB32 (0xffRRGGBB in native byte order), the
// format a window's backing store has, so that painting a picture is a plain copy.
constexpr J_COLOR_SPACE Rgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;

// Resamples rows as they come out of the decoder: each output row blends the two source rows around
// its centre, byte by byte (which the compiler turns into vector code), and each output pixel then
// the two pixels of that blend around its centre.
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
            wx_[x] = x0_[x] + 1 < from.width() ? quint32((pos - x0_[x]) * 256) : 0;
        }
        rows_[0].resize(size_t(from.width()));
        rows_[1].resize(size_t(from.width()));
        down_.resize(size_t(from.width()));
    }

    // Buffer for the next source row; call `push` once it is filled.
    JSAMPROW next() { return reinterpret_cast<JSAMPROW>(rows_[have_ & 1].data()); }

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
            const quint32* row = rows_[y0 & 1].data();
            if (wy != 0) {
                blendRows(rows_[y0 & 1].data(), rows_[y1 & 1].data(), wy);
                row = down_.data();
            }
            resampleAcross(row, reinterpret_cast<quint32*>(to_.scanLine(out_)));
            ++out_;
        }
    }

private:
    void blendRows(const quint32* top, const quint32* bottom, int wy) {
        const auto* a = reinterpret_cast<const uchar*>(top);
        const auto* b = reinterpret_cast<const uchar*>(bottom);
        auto* d = reinterpret_cast<uchar*>(down_.data());
        const quint16 w = quint16(wy);
        const quint16 v = quint16(256 - wy);
        const size_t n = down_.size() * 4;
        for (size_t i = 0; i < n; ++i)
            d[i] = uchar(quint16(a[i] * v + b[i] * w + 128) >> 8);
    }

    // `a` and `b` blended, `w` / 256 of the way to `b`: two channels at a time in one 32-bit word.
    static quint32 blend(quint32 a, quint32 b, quint32 w) {
        const quint32 v = 256 - w;
        const quint32 rb = ((a & 0xff00ffu) * v + (b & 0xff00ffu) * w + 0x800080u) >> 8 & 0xff00ffu;
        const quint32 ag =
            (((a >> 8) & 0xff00ffu) * v + ((b >> 8) & 0xff00ffu) * w + 0x800080u) & 0xff00ff00u;
        return rb | ag;
    }

    void resampleAcross(const quint32* src, quint32* dst) const {
        const int tw = to_.width();
        for (int x = 0; x < tw; ++x) {
            const int i = x0_[x];
            const quint32 w = wx_[x];
            dst[x] = w ? blend(src[i], src[i + 1], w) : src[i];
        }
    }

    QSize from_;
    QImage& to_;
    std::vector<int> x0_;
    std::vector<quint32> wx_;
    std::vector<quint32> rows_[2];
    std::vector<quint32> down_;
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

// libjpeg-turbo reduces by 1/2, 1/4 and 1/8 (and decodes at full size) in SIMD code; any other
// eighths, and the chroma it then scales up in its place, run in plain C at about twice the time of
// decoding the next such size up and resampling from there (a 24-megapixel photo for a 4K screen:
// 6/8 took 240 ms, 8/8 and resampling 180). That size is taken while it stays within the
// resampler's reach of less than twice the target.
unsigned fastCoveringEighths(QSize stored, QSize target) {
    const unsigned e = smallestCoveringEighths(stored, target);
    unsigned fast = 1;
    while (fast < e)
        fast *= 2;
    const auto within = [&](int s, int t) { return qint64(s) * fast < qint64(t) * 16; };
    return within(stored.width(), target.width()) && within(stored.height(), target.height()) ? fast : e;
}

// Print shops and some scanners write CMYK, or YCCK that libjpeg turns into CMYK; Adobe's
// programs store the inks inverted (255 for none), which their marker tells. The profile the inks
// were separated for, where the picture carries one, says what colours they make; otherwise plain
// arithmetic stands in.
struct Inks {
    bool inverted = false;
    std::optional<colour_profile::InkProfile> profile;
    std::vector<JSAMPLE> row;
    std::vector<QRgb> words; // a row through the profile, on its way to RGB bytes

    static int channel(int ink, int black, bool inverted) {
        return inverted ? (ink * black + 127) / 255 : ((255 - ink) * (255 - black) + 127) / 255;
    }
    // The row just read, as 0xffRRGGBB words or as RGB bytes.
    void toRgb32(quint32* out, JDIMENSION width) const {
        const JSAMPLE* p = row.data();
        if (profile) {
            profile->toRgb32(p, out, int(width));
            return;
        }
        for (JDIMENSION x = 0; x < width; ++x, p += 4)
            out[x] = qRgb(channel(p[0], p[3], inverted), channel(p[1], p[3], inverted),
                          channel(p[2], p[3], inverted));
    }
    void toRgb888(JSAMPLE* out, JDIMENSION width) {
        const JSAMPLE* p = row.data();
        if (profile) {
            words.resize(width);
            profile->toRgb32(p, words.data(), int(width));
            for (const QRgb w : words) {
                *out++ = JSAMPLE(qRed(w));
                *out++ = JSAMPLE(qGreen(w));
                *out++ = JSAMPLE(qBlue(w));
            }
            return;
        }
        for (JDIMENSION x = 0; x < width; ++x, p += 4)
            for (int c = 0; c < 3; ++c)
                *out++ = JSAMPLE(channel(p[c], p[3], inverted));
    }
};

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

// libjpeg keeps a whole progressive picture's coefficients while it decodes, however little of it
// is shown: more than this (a progressive picture of some 40 megapixels) is refused rather than
// letting a header that claims a huge picture take gigabytes.
constexpr long MaxDecoderMemory = 128l << 20;

bool readHeader(Decompressor& d, std::FILE* file) {
    if (setjmp(d.errors.jump))
        return false;
    d.info.mem->max_memory_to_use = MaxDecoderMemory;
    jpeg_stdio_src(&d.info, file);
    jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xFFFF);
    return jpeg_read_header(&d.info, TRUE) == JPEG_HEADER_OK;
}

// Called by libjpeg as it reads each row of blocks, of every scan: where a picture floods the decoder
// with scans, or takes too long, the decode ends through the error exit.
struct Progress {
    jpeg_progress_mgr base{};
    DecodeLimit* limit = nullptr;

    static void check(j_common_ptr common) {
        auto* info = reinterpret_cast<j_decompress_ptr>(common);
        const auto* self = reinterpret_cast<Progress*>(info->progress);
        if (info->input_scan_number > MaxScans || self->limit->over())
            onError(common);
    }
};

// Watches the decode from here on; the limit is given the picture's size.
void watch(Decompressor& d, Progress& progress, DecodeLimit& limit) {
    limit.allowFor(qint64(d.info.image_width) * d.info.image_height);
    progress.limit = &limit;
    progress.base.progress_monitor = Progress::check;
    d.info.progress = &progress.base;
}

bool isInks(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// Asks libjpeg for inks where the picture holds them; the rows are then turned into RGB here,
// through the picture's CMYK profile `icc` where it has one.
void prepareInks(jpeg_decompress_struct& info, Inks& inks, const QByteArray& icc) {
    info.out_color_space = JCS_CMYK;
    inks.inverted = info.saw_Adobe_marker;
    if (colour_profile::InkProfile profile(icc, inks.inverted); profile.valid())
        inks.profile = std::move(profile);
}

// One row into `row`: 0xffRRGGBB words (`words`), or RGB bytes.
JDIMENSION readRow(jpeg_decompress_struct& info, JSAMPROW row, Inks* inks, bool words) {
    if (!inks)
        return jpeg_read_scanlines(&info, &row, 1);
    inks->row.resize(size_t(info.output_width) * 4);
    JSAMPROW in = inks->row.data();
    const JDIMENSION got = jpeg_read_scanlines(&info, &in, 1);
    if (got == 1) {
        if (words)
            inks->toRgb32(reinterpret_cast<quint32*>(row), info.output_width);
        else
            inks->toRgb888(row, info.output_width);
    }
    return got;
}

} // namespace

std::optional<Result> probe(std::FILE* file) {
    Decompressor d;
    if (!readHeader(d, file))
        return std::nullopt;
    Result r;
    r.stored = QSize(int(d.info.image_width), int(d.info.image_height));
    r.orientation = markerOrientation(d.info.marker_list);
    return r;
}

std::optional<Result> decode(std::FILE* file, QSize target, DecodeLimit& limit) {
    Decompressor d;
    Progress progress;
    if (!readHeader(d, file) || target.isEmpty())
        return std::nullopt;
    watch(d, progress, limit);
    const QSize stored(int(d.info.image_width), int(d.info.image_height));
    if (d.info.data_precision != 8)
        return std::nullopt;
    Inks inkRows;
    Inks* const inks = isInks(d.info) ? &inkRows : nullptr;

    // Kept in memory: the decoder may jump back past its register copy.
    volatile unsigned eighths = fastCoveringEighths(stored, target);

    Result result;
    result.stored = stored;
    result.orientation = markerOrientation(d.info.marker_list);
    QImage& out = result.image;
    std::optional<RowResampler> resampler;
    QImage whole; // only where the decoder's eighths leave more than twice the target
    // A fatal error part way fails the picture, as Qt's reader does; only warnings (a truncated
    // file) leave a partly grey picture.
    if (setjmp(d.errors.jump))
        return std::nullopt;
    result.iccProfile = iccProfile(d.info);
    d.info.scale_num = eighths;
    d.info.scale_denom = 8;
    d.info.out_color_space = Rgb32Space;
    if (inks)
        prepareInks(d.info, *inks, result.iccProfile);
    d.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.info);
    const QSize decoded(int(d.info.output_width), int(d.info.output_height));
    const QSize size(std::min(target.width(), decoded.width()), std::min(target.height(), decoded.height()));
    // Four bytes a pixel rather than three: painting a picture held in the window's own format is
    // a plain copy, where converting 10 megapixels on a scaled screen took the GUI thread some 60 ms
    // a picture. The preload budget counts four bytes a pixel already.
    out = picture_memory::image(size, QImage::Format_RGB32);
    if (out.isNull())
        return std::nullopt;
    out.fill(Qt::gray); // what a truncated file leaves undecoded
    const bool twoTap = decoded.width() < 2 * size.width() && decoded.height() < 2 * size.height();
    if (size == decoded || !twoTap) {
        if (size != decoded) {
            whole = picture_memory::image(decoded, QImage::Format_RGB32);
            if (whole.isNull())
                return std::nullopt;
            whole.fill(Qt::gray);
        }
        QImage& into = size == decoded ? out : whole;
        while (d.info.output_scanline < d.info.output_height) {
            readRow(d.info, into.scanLine(int(d.info.output_scanline)), inks, true);
        }
        if (size != decoded)
            out = whole.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        resampler.emplace(decoded, out);
        while (d.info.output_scanline < d.info.output_height) {
            readRow(d.info, resampler->next(), inks, true);
            resampler->push();
        }
    }
    jpeg_finish_decompress(&d.info);
    return result;
}

std::optional<Result> decodeRegion(std::FILE* file, QRect region, DecodeLimit& limit) {
    Decompressor d;
    Progress progress;
    if (!readHeader(d, file))
        return std::nullopt;
    watch(d, progress, limit);
    const QSize stored(int(d.info.image_width), int(d.info.image_height));
    region &= QRect(QPoint(0, 0), stored);
    if (region.isEmpty() || d.info.data_precision != 8)
        return std::nullopt;
    Inks inkRows;
    Inks* const inks = isInks(d.info) ? &inkRows : nullptr;

    Result result;
    result.stored = stored;
    result.orientation = markerOrientation(d.info.marker_list);
    QImage& out = result.image;
    std::vector<JSAMPLE> row;
    if (setjmp(d.errors.jump))
        return std::nullopt;
    result.iccProfile = iccProfile(d.info);
    d.info.out_color_space = JCS_RGB;
    if (inks)
        prepareInks(d.info, *inks, result.iccProfile);
    d.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.info);
    // libjpeg widens the columns to whole blocks; the rows above are skipped without drawing them.
    JDIMENSION left = JDIMENSION(region.x());
    JDIMENSION width = JDIMENSION(region.width());
    jpeg_crop_scanline(&d.info, &left, &width);
    out = picture_memory::image(region.size(), QImage::Format_RGB888);
    if (out.isNull())
        return std::nullopt;
    out.fill(Qt::gray); // what a truncated file leaves undecoded
    row.resize(size_t(d.info.output_width) * 3);
    const size_t skip = size_t(region.x() - int(left)) * 3;
    jpeg_skip_scanlines(&d.info, JDIMENSION(region.y()));
    for (int y = 0; y < region.height(); ++y) {
        if (readRow(d.info, row.data(), inks, false) != 1)
            break;
        std::memcpy(out.scanLine(y), row.data() + skip, size_t(region.width()) * 3);
    }
    // The rows below are never read.
    jpeg_abort_decompress(&d.info);
    return result;
}

} // namespace jpeg_scaled
