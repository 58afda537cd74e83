#include "picture/readers/HeifReader.h"

#include "picture/colour/ColourProfile.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/readers/HeifBoxes.h"
#include "picture/reduce/RowReducer.h"
#include "platform/SharedProcessors.h"

#include <QRgb>

#include <algorithm>
#include <vector>

#include <libheif/heif.h>

namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(const heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

QIODevice& fileOf(void* userdata) {
    return *static_cast<QIODevice*>(userdata);
}

int64_t position(void* userdata) {
    return fileOf(userdata).pos();
}

int readInto(void* data, size_t size, void* userdata) {
    const qint64 wanted = qint64(size);
    return fileOf(userdata).read(static_cast<char*>(data), wanted) == wanted ? 0 : -1;
}

int seekTo(int64_t to, void* userdata) {
    return to >= 0 && fileOf(userdata).seek(to) ? 0 : -1;
}

// The file does not grow: what lies beyond its end never comes.
heif_reader_grow_status waitFor(int64_t size, void* userdata) {
    return size <= fileOf(userdata).size() ? heif_reader_grow_status_size_reached
                                           : heif_reader_grow_status_size_beyond_eof;
}

const heif_reader fromDevice = {1, position, readInto, seekTo, waitFor};

bool ok(const heif_error& e) {
    return e.code == heif_error_Ok;
}

} // namespace

struct HeifReader::Library {
    std::unique_ptr<heif_context, ContextFree> context{heif_context_alloc()};
    std::unique_ptr<heif_image_handle, HandleRelease> handle;
};

HeifReader::HeifReader(QIODevice& file) : file_(file), heif_(new Library) {
    heif_context* context = heif_->context.get();
    if (!context || !file.seek(0))
        return;
    // The library's own bound on a side, read from the header, agrees with the one kept here.
    heif_context_set_maximum_image_size_limit(context, picture_limits::MaxWholeSide);
    if (!ok(heif_context_read_from_reader(context, &fromDevice, &file_, nullptr)))
        return;
    heif_image_handle* handle = nullptr;
    if (!ok(heif_context_get_primary_image_handle(context, &handle)) || !handle)
        return;
    heif_->handle.reset(handle);
    const int width = heif_image_handle_get_width(handle);
    const int height = heif_image_handle_get_height(handle);
    // Refused before decoding: the whole picture would be held.
    if (!picture_limits::fitsWhole(width, height))
        return;
    size_ = QSize(width, height);
    // A grid's own box may claim a far larger picture than its primary's size, and libheif makes the
    // whole of what the grid claims: the decode may make nothing larger than the picture is, before
    // its crop ('ispe') or after it.
    const int side = std::max(
        {width, height, heif_image_handle_get_ispe_width(handle), heif_image_handle_get_ispe_height(handle)});
    heif_context_set_maximum_image_size_limit(context, side + 1);
    alpha_ = heif_image_handle_has_alpha_channel(handle);
    if (const size_t bytes = heif_image_handle_get_raw_color_profile_size(handle); bytes > 0) {
        QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
        if (ok(heif_image_handle_get_raw_color_profile(handle, icc.data())))
            icc_ = icc;
    }
    // Phones' AVIFs give their Display P3 by code points rather than a profile.
    heif_color_profile_nclx* nclx = nullptr;
    const bool byBox = icc_.isEmpty() && ok(heif_image_handle_get_nclx_color_profile(handle, &nclx)) && nclx;
    if (byBox) {
        colour_profile::CodePoints points;
        points.red[0] = nclx->color_primary_red_x;
        points.red[1] = nclx->color_primary_red_y;
        points.green[0] = nclx->color_primary_green_x;
        points.green[1] = nclx->color_primary_green_y;
        points.blue[0] = nclx->color_primary_blue_x;
        points.blue[1] = nclx->color_primary_blue_y;
        points.white[0] = nclx->color_primary_white_x;
        points.white[1] = nclx->color_primary_white_y;
        points.transfer = int(nclx->transfer_characteristics);
        icc_ = colour_profile::profileFor(points);
    }
    if (nclx)
        heif_nclx_color_profile_free(nclx);
    // What libheif 1.15 does not read of HEIC: the code points heif-enc writes into the HEVC
    // configuration rather than an 'nclx' box, and the mirror of a picture deeper than 8 bits, which
    // it cannot make: such a picture is decoded as stored and turned by the caller.
    const qint64 at = file_.pos();
    const auto boxes = heif_boxes::read(file_);
    file_.seek(at);
    if (boxes && boxes->hevc) {
        if (icc_.isEmpty() && !byBox && boxes->colour)
            if (const auto points = heif_boxes::codePointsOf(*boxes->colour))
                icc_ = colour_profile::profileFor(*points);
        const int o = boxes->orientation;
        const bool mirrored = o == 2 || o == 4 || o == 5 || o == 7;
        if (mirrored && !boxes->cropped && heif_image_handle_get_luma_bits_per_pixel(handle) > 8) {
            orientation_ = o;
            if (o >= 5)
                size_.transpose();
        }
    }
    valid_ = true;
}

HeifReader::~HeifReader() = default;

namespace {

std::unique_ptr<heif_image, ImageRelease> decode(const heif_image_handle* handle, heif_colorspace colorspace,
                                                 heif_chroma chroma, bool to8bits, bool asStored,
                                                 heif_error& error) {
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) {
        error = {heif_error_Memory_allocation_error, heif_suberror_Unspecified, ""};
        return nullptr;
    }
    options->convert_hdr_to_8bit = to8bits;
    options->ignore_transformations = asStored;
    heif_image* decoded = nullptr;
    {
        const SharedProcessors shared;
        error = heif_decode_image(handle, &decoded, colorspace, chroma, options.get());
    }
    std::unique_ptr<heif_image, ImageRelease> image(decoded);
    if (!ok(error))
        image.reset();
    return image;
}

// One plane of the picture as the library left it: 8 bits a sample, or 9 to 16 in two bytes.
struct Plane {
    const uint8_t* data = nullptr;
    qsizetype stride = 0;
    int bits = 0;
    // Each deeper sample's 8-bit value, rounded.
    std::vector<uint8_t> to8;

    bool take(const heif_image* image, heif_channel channel, QSize size) {
        int bytesPerRow = 0;
        data = heif_image_get_plane_readonly(image, channel, &bytesPerRow);
        bits = heif_image_get_bits_per_pixel_range(image, channel);
        const int stored = heif_image_get_bits_per_pixel(image, channel);
        stride = bytesPerRow;
        if (!data || heif_image_get_width(image, channel) != size.width() ||
            heif_image_get_height(image, channel) != size.height() || bits < 8 || bits > 16 ||
            stored != (bits == 8 ? 8 : 16) || stride < qsizetype(size.width()) * (stored / 8))
            return false;
        if (bits > 8) {
            const uint32_t most = (1u << bits) - 1;
            to8.resize(size_t(most) + 1);
            for (uint32_t v = 0; v <= most; ++v)
                to8[v] = uint8_t((v * 255 + most / 2) / most);
        }
        return true;
    }
    // Samples [from, to) of row `y` as 8 bits, into `out` every 4 bytes.
    void row(int y, int from, int to, uint8_t* out) const {
        if (bits == 8) {
            const uint8_t* p = data + qsizetype(y) * stride;
            for (int x = from; x < to; ++x)
                out[4 * x] = p[x];
            return;
        }
        const auto* p = reinterpret_cast<const uint16_t*>(data + qsizetype(y) * stride);
        const uint16_t most = uint16_t(to8.size() - 1);
        for (int x = from; x < to; ++x)
            out[4 * x] = to8[std::min(p[x], most)];
    }
};

} // namespace

// The library turns the coded picture into RGB planes whatever it is asked for, then copies them into
// the layout asked: the planes themselves are read here, so that the copy is never made.
bool HeifReader::readPlanes(RowReducer& rows, bool& failed) {
    heif_error error{};
    const auto image =
        decode(heif_->handle.get(), heif_colorspace_RGB, heif_chroma_444, false, orientation_ != 1, error);
    // Only a layout the library cannot give is worth asking for again: a picture that does not decode
    // does not decode either way.
    failed = !image && error.code != heif_error_Unsupported_feature;
    if (!image)
        return false;
    Plane planes[4];
    const heif_channel channels[4] = {heif_channel_R, heif_channel_G, heif_channel_B, heif_channel_Alpha};
    for (int i = 0; i < (alpha_ ? 4 : 3); ++i)
        if (!planes[i].take(image.get(), channels[i], size_))
            return false;
    const RowReducer::Columns wantedColumns = rows.wantedColumns(size_.width());
    const int from = wantedColumns.from, to = wantedColumns.to;
    std::vector<QRgb> row(size_t(size_.width()), 0);
    std::fill(row.begin() + from, row.begin() + to, alpha_ ? 0u : 0xff000000u);
    const bool bytes8 =
        std::all_of(planes, planes + (alpha_ ? 4 : 3), [](const Plane& p) { return p.bits == 8; });
    // QRgb holds 0xAARRGGBB: blue in the lowest byte in memory on a little-endian machine.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
    auto* bytes = reinterpret_cast<uint8_t*>(row.data());
    for (int y = 0; y < size_.height(); ++y) {
        if (!rows.wants(y))
            continue;
        if (bytes8) {
            const auto at = [&](int i) { return planes[i].data + qsizetype(y) * planes[i].stride; };
            const uint8_t *r = at(0), *g = at(1), *b = at(2), *a = alpha_ ? at(3) : nullptr;
            QRgb* out = row.data();
            if (a)
                for (int x = from; x < to; ++x)
                    out[x] = QRgb(a[x]) << 24 | QRgb(r[x]) << 16 | QRgb(g[x]) << 8 | b[x];
            else
                for (int x = from; x < to; ++x)
                    out[x] = 0xff000000u | QRgb(r[x]) << 16 | QRgb(g[x]) << 8 | b[x];
        } else {
            planes[0].row(y, from, to, bytes + 2);
            planes[1].row(y, from, to, bytes + 1);
            planes[2].row(y, from, to, bytes);
            if (alpha_)
                planes[3].row(y, from, to, bytes + 3);
        }
        rows.put(y, row.data(), from, to);
    }
    return true;
}

bool HeifReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_ || limit.over())
        return false;
    bool failed = false;
    if (readPlanes(rows, failed))
        return true;
    if (failed || limit.over())
        return false;
    heif_error error{};
    const auto image = decode(heif_->handle.get(), heif_colorspace_RGB,
                              alpha_ ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, true,
                              orientation_ != 1, error);
    // The decode is one call that cannot be stopped part way. Once it is done the picture is kept even
    // if the limit went over meanwhile: giving it up then would save nothing.
    if (!image)
        return false;
    const heif_channel channel = heif_channel_interleaved;
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), channel, &stride);
    const int channels = alpha_ ? 4 : 3;
    if (!pixels || heif_image_get_width(image.get(), channel) != size_.width() ||
        heif_image_get_height(image.get(), channel) != size_.height() ||
        heif_image_get_bits_per_pixel_range(image.get(), channel) != 8 || stride < channels * size_.width())
        return false;
    const RowReducer::Columns wantedColumns = rows.wantedColumns(size_.width());
    const int from = wantedColumns.from, to = wantedColumns.to;
    std::vector<QRgb> row(size_t(size_.width()), 0);
    for (int y = 0; y < size_.height(); ++y) {
        if (!rows.wants(y))
            continue;
        const uint8_t* p = pixels + qsizetype(y) * stride + qsizetype(from) * channels;
        for (int x = from; x < to; ++x, p += channels)
            row[size_t(x)] = qRgba(p[0], p[1], p[2], alpha_ ? p[3] : 0xff);
        rows.put(y, row.data(), from, to);
    }
    return true;
}
