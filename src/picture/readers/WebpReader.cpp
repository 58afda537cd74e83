#include "picture/readers/WebpReader.h"

#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureMemory.h"
#include "picture/readers/ExifOrientation.h"
#include "picture/reduce/RowReducer.h"

#include <QRgb>

#include <algorithm>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// More than any picture's RIFF chunk holds: 16383 x 16383 pixels stored without compression take
// about a gigabyte. A larger file is not read into memory.
constexpr qint64 MaxFileBytes = qint64(1) << 30;

// 0xAARRGGBB in native byte order, as QImage holds it: straight, or premultiplied as painted.
constexpr WEBP_CSP_MODE Straight = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
constexpr WEBP_CSP_MODE Premultiplied = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_bgrA : MODE_Argb;

quint32 littleEndian32(const char* p) {
    const auto* b = reinterpret_cast<const uchar*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

WebPData webpData(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

// A chunk's payload from the demuxer, empty when the file has none.
QByteArray chunk(const WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator it;
    if (!WebPDemuxGetChunk(demux, fourcc, 1, &it))
        return QByteArray();
    QByteArray bytes(reinterpret_cast<const char*>(it.chunk.bytes), qsizetype(it.chunk.size));
    WebPDemuxReleaseChunkIterator(&it);
    return bytes;
}

struct DeleteDemuxer {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct DeleteAnimation {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

} // namespace

WebpReader::WebpReader(QIODevice& file) {
    if (!file.seek(0))
        return;
    data_ = file.read(12);
    if (data_.size() < 12 || !data_.startsWith("RIFF") || data_.sliced(8, 4) != "WEBP")
        return;
    // A file cut short is read as far as it goes; whatever follows the RIFF chunk is not the picture's.
    const qint64 length = std::min(qint64(littleEndian32(data_.constData() + 4)) + 8, file.size());
    if (length < data_.size() || length > MaxFileBytes)
        return;
    data_ += file.read(length - data_.size());
    const WebPData whole = webpData(data_);
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(whole.bytes, whole.size, &features) != VP8_STATUS_OK)
        return;
    size_ = QSize(features.width, features.height);
    alpha_ = features.has_alpha;
    animated_ = features.has_animation;
    lossless_ = features.format == 2;
    // The metadata of a file cut short is read as far as it goes.
    WebPDemuxState state;
    if (const std::unique_ptr<WebPDemuxer, DeleteDemuxer> demux(WebPDemuxPartial(&whole, &state)); demux) {
        icc_ = chunk(demux.get(), "ICCP");
        orientation_ = exifOrientation(chunk(demux.get(), "EXIF"));
    }
    valid_ = !size_.isEmpty();
}

qint64 WebpReader::heldBytes() const {
    const qint64 pixels = qint64(size_.width()) * size_.height();
    if (animated_)
        return 8 * pixels;
    if (lossless_)
        return 4 * pixels;
    return alpha_ ? pixels : 0;
}

QImage WebpReader::read(QRect part, QSize size, const DecodeLimit& limit) {
    if (!valid_ || part.isEmpty() || size.isEmpty() || !QRect(QPoint(0, 0), size_).contains(part))
        return QImage();
    return animated_ ? readFirstFrame(part, size, limit) : readStill(part, size, limit);
}

QImage WebpReader::readStill(QRect part, QSize size, const DecodeLimit& limit) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return QImage();
    const bool reduced = size != part.size();
    // libwebp crops a lossy picture from an even column and row (its colours are stored for pairs of
    // pixels), and fills in the colours at the edges of what it crops from inside rather than from
    // beyond: a lossy part is decoded with a pixel more around it, from an even column and row.
    const QRect from = lossless_ || reduced ? part
                                            : QRect(QPoint((part.left() - 1) & ~1, (part.top() - 1) & ~1),
                                                    part.bottomRight() + QPoint(1, 1)) &
                                                  QRect(QPoint(0, 0), size_);
    if (from != QRect(QPoint(0, 0), size_)) {
        config.options.use_cropping = 1;
        config.options.crop_left = from.left();
        config.options.crop_top = from.top();
        config.options.crop_width = from.width();
        config.options.crop_height = from.height();
    }
    // A second thread filters and converts the rows the first decodes.
    config.options.use_threads = 1;
    if (reduced) {
        config.options.use_scaling = 1;
        config.options.scaled_width = size.width();
        config.options.scaled_height = size.height();
    }
    const QSize out = reduced ? size : from.size();
    QImage image =
        picture_memory::image(out, alpha_ ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    // Straight into the picture's memory: what is shown is all there is.
    WebPRGBABuffer& rgba = config.output.u.RGBA;
    config.output.colorspace = alpha_ ? Premultiplied : Straight;
    config.output.is_external_memory = 1;
    rgba.rgba = image.bits();
    rgba.stride = int(image.bytesPerLine());
    rgba.size = size_t(image.sizeInBytes());

    // In one call: libwebp's incremental decoder, which could be looked at between pieces of data,
    // takes half as long again. The work follows the data, as no header can make it wait for more.
    if (limit.over() || WebPDecode(reinterpret_cast<const uint8_t*>(data_.constData()), size_t(data_.size()),
                                   &config) != VP8_STATUS_OK)
        return QImage();
    if (from != part)
        return image.copy(part.translated(-from.topLeft()));
    return image;
}

QImage WebpReader::readFirstFrame(QRect part, QSize size, const DecodeLimit& limit) {
    // libwebp composes a frame only on the whole canvas, in full.
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return QImage();
    options.color_mode = Straight;
    const WebPData whole = webpData(data_);
    const std::unique_ptr<WebPAnimDecoder, DeleteAnimation> decoder(WebPAnimDecoderNew(&whole, &options));
    WebPAnimInfo info;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) ||
        QSize(int(info.canvas_width), int(info.canvas_height)) != size_ || limit.over() ||
        !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        return QImage();
    RowReducer rows = size == part.size() ? RowReducer::keeping(size_, part, true)
                                          : RowReducer::reducing(size_, size, true, true);
    const int w = size_.width();
    for (int y = 0; y < size_.height(); ++y)
        if (rows.wants(y))
            rows.put(y, reinterpret_cast<const QRgb*>(canvas) + qint64(y) * w, 0, w);
    return rows.take();
}
