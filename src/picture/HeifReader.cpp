#include "picture/HeifReader.h"

#include "picture/ColourProfile.h"
#include "picture/DecodeLimit.h"
#include "picture/RowReducer.h"
#include "picture/WholeDecode.h"

#include <QRgb>

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
    heif_context_set_maximum_image_size_limit(context, whole_decode::MaxSide);
    if (!ok(heif_context_read_from_reader(context, &fromDevice, &file_, nullptr)))
        return;
    heif_image_handle* handle = nullptr;
    if (!ok(heif_context_get_primary_image_handle(context, &handle)) || !handle)
        return;
    heif_->handle.reset(handle);
    const int width = heif_image_handle_get_width(handle);
    const int height = heif_image_handle_get_height(handle);
    // Refused before decoding: the whole picture would be held.
    if (!whole_decode::fits(width, height))
        return;
    size_ = QSize(width, height);
    alpha_ = heif_image_handle_has_alpha_channel(handle);
    if (const size_t bytes = heif_image_handle_get_raw_color_profile_size(handle); bytes > 0) {
        QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
        if (ok(heif_image_handle_get_raw_color_profile(handle, icc.data())))
            icc_ = icc;
    }
    // Phones' AVIFs give their Display P3 by code points rather than a profile.
    heif_color_profile_nclx* nclx = nullptr;
    if (icc_.isEmpty() && ok(heif_image_handle_get_nclx_color_profile(handle, &nclx)) && nclx) {
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
    valid_ = true;
}

HeifReader::~HeifReader() = default;

bool HeifReader::read(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_ || limit.over())
        return false;
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        return false;
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    const heif_error error =
        heif_decode_image(heif_->handle.get(), &decoded, heif_colorspace_RGB,
                          alpha_ ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    // The decode is one call that cannot be stopped part way. Once it is done the picture is kept even
    // if the limit went over meanwhile: giving it up then would save nothing.
    if (!ok(error) || !image)
        return false;
    const heif_channel channel = heif_channel_interleaved;
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), channel, &stride);
    const int channels = alpha_ ? 4 : 3;
    if (!pixels || heif_image_get_width(image.get(), channel) != size_.width() ||
        heif_image_get_height(image.get(), channel) != size_.height() ||
        heif_image_get_bits_per_pixel_range(image.get(), channel) != 8 || stride < channels * size_.width())
        return false;
    const int from = rows.firstColumn(), to = rows.endColumn();
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
