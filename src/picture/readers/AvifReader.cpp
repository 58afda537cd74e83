#include "picture/readers/AvifReader.h"

#include "picture/colour/ColourProfile.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/reduce/Orientation.h"
#include "picture/reduce/RowReducer.h"
#include "platform/SharedProcessors.h"

#include <QRgb>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include <avif/avif.h>
#include <sched.h>

namespace {

// libavif reads the file through this: the file stays where it is, and only the parts the library
// asks for are read, into one buffer that each read reuses.
struct Source {
    avifIO io{};
    QIODevice* file = nullptr;
    QByteArray buffer;
};

avifResult readAt(avifIO* io, uint32_t flags, uint64_t offset, size_t size, avifROData* out) {
    auto* source = static_cast<Source*>(io->data);
    const qint64 total = source->file->size();
    if (flags != 0 || offset > quint64(total))
        return AVIF_RESULT_IO_ERROR;
    const qint64 wanted = qint64(std::min<quint64>(size, quint64(total) - offset));
    source->buffer.resize(wanted);
    if (!source->file->seek(qint64(offset)) || source->file->read(source->buffer.data(), wanted) != wanted)
        return AVIF_RESULT_IO_ERROR;
    out->data = reinterpret_cast<const uint8_t*>(source->buffer.constData());
    out->size = size_t(wanted);
    return AVIF_RESULT_OK;
}

// The source belongs to the reader, not to the decoder that is handed it.
void keep(avifIO*) {}

struct DecoderFree {
    void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};

// ---- The order of the transforms, which libavif does not give: from the file's own boxes. ----

enum class Step { Crop, Turn, Mirror };

quint32 be32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint32 fourCc(const char* c) {
    return be32(reinterpret_cast<const uchar*>(c));
}

struct Box {
    quint32 type = 0;
    qsizetype payload = 0; // where its contents start
    qsizetype end = 0;
};

// The boxes of `data` in [from, to), in order; empty where one runs past the end.
std::vector<Box> boxesIn(const QByteArray& data, qsizetype from, qsizetype to) {
    std::vector<Box> boxes;
    const auto* d = reinterpret_cast<const uchar*>(data.constData());
    while (from + 8 <= to) {
        quint64 size = be32(d + from);
        qsizetype header = 8;
        if (size == 1) {
            if (from + 16 > to)
                return {};
            size = quint64(be32(d + from + 8)) << 32 | be32(d + from + 12);
            header = 16;
        } else if (size == 0) {
            size = quint64(to - from);
        }
        if (size < quint64(header) || size > quint64(to - from))
            return {};
        boxes.push_back({be32(d + from + 4), from + header, from + qsizetype(size)});
        from += qsizetype(size);
    }
    return boxes;
}

// Bounds the bytes of the 'meta' box read here: phones' run to a few kilobytes, and one that holds
// its pictures' data ('idat') beyond this keeps the usual order.
constexpr qint64 MaxMetaBytes = 16 << 20;

// The file's top-level 'meta' box, contents and all; empty when there is none worth reading.
QByteArray metaBox(QIODevice& file) {
    qint64 at = 0;
    const qint64 total = file.size();
    for (int boxes = 0; boxes < 64 && at + 8 <= total; ++boxes) {
        if (!file.seek(at))
            return {};
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return {};
        const auto* h = reinterpret_cast<const uchar*>(head.constData());
        quint64 size = be32(h);
        if (size == 1 && head.size() == 16)
            size = quint64(be32(h + 8)) << 32 | be32(h + 12);
        else if (size == 0)
            size = quint64(total - at);
        if (size < 8 || size > quint64(total - at))
            return {};
        if (be32(h + 4) == fourCc("meta")) {
            if (size > quint64(MaxMetaBytes) || !file.seek(at))
                return {};
            return file.read(qint64(size));
        }
        at += qint64(size);
    }
    return {};
}

// The primary item's crop, turn and mirror in the order its 'ipma' entry lists them (the order in
// which they apply); nothing when the boxes cannot be read.
std::optional<std::vector<Step>> stepsOf(QIODevice& file) {
    const QByteArray meta = metaBox(file);
    const auto* d = reinterpret_cast<const uchar*>(meta.constData());
    const std::vector<Box> top = boxesIn(meta, 0, meta.size());
    if (top.size() != 1 || top[0].end - top[0].payload < 4)
        return std::nullopt;
    std::optional<quint32> primary;
    std::vector<quint32> properties; // the types in 'ipco', whose indices count from 1
    std::vector<std::pair<qsizetype, qsizetype>> associations; // the 'ipma' boxes' contents
    for (const Box& box : boxesIn(meta, top[0].payload + 4, top[0].end)) {
        if (box.type == fourCc("pitm") && box.end - box.payload >= 6) {
            const bool wide = d[box.payload] >= 1;
            if (wide && box.end - box.payload < 8)
                return std::nullopt;
            primary =
                wide ? be32(d + box.payload + 4) : quint32(d[box.payload + 4]) << 8 | d[box.payload + 5];
        } else if (box.type == fourCc("iprp")) {
            for (const Box& inner : boxesIn(meta, box.payload, box.end)) {
                if (inner.type == fourCc("ipco"))
                    for (const Box& property : boxesIn(meta, inner.payload, inner.end))
                        properties.push_back(property.type);
                else if (inner.type == fourCc("ipma"))
                    associations.emplace_back(inner.payload, inner.end);
            }
        }
    }
    if (!primary || associations.empty())
        return std::nullopt;
    std::vector<Step> steps;
    for (auto [at, end] : associations) {
        if (end - at < 8)
            return std::nullopt;
        const int version = d[at];
        const bool wideIndex = d[at + 3] & 1;
        const quint32 entries = be32(d + at + 4);
        at += 8;
        for (quint32 e = 0; e < entries; ++e) {
            const qsizetype idBytes = version < 1 ? 2 : 4;
            if (end - at < idBytes + 1)
                return std::nullopt;
            const quint32 item = version < 1 ? quint32(d[at]) << 8 | d[at + 1] : be32(d + at);
            at += idBytes;
            const int count = d[at++];
            const qsizetype indexBytes = wideIndex ? 2 : 1;
            if (end - at < count * indexBytes)
                return std::nullopt;
            for (int i = 0; i < count; ++i, at += indexBytes) {
                const quint32 index = wideIndex ? (quint32(d[at]) << 8 | d[at + 1]) & 0x7fff : d[at] & 0x7f;
                if (item != *primary || index == 0 || index > properties.size())
                    continue;
                const quint32 type = properties[index - 1];
                std::optional<Step> step;
                if (type == fourCc("clap"))
                    step = Step::Crop;
                else if (type == fourCc("irot"))
                    step = Step::Turn;
                else if (type == fourCc("imir"))
                    step = Step::Mirror;
                // Each applies once, where it is first listed, as libavif reads one of each.
                if (step && std::find(steps.begin(), steps.end(), *step) == steps.end())
                    steps.push_back(*step);
            }
        }
    }
    return steps;
}

// ---- Turns and mirrors as 2 x 2 matrices on a pixel's place about the centre (y downwards). ----

using Matrix = std::array<int, 4>; // x' = m0 x + m1 y, y' = m2 x + m3 y

// What each EXIF orientation does to the stored picture to stand it upright, as standUpright.
constexpr std::array<Matrix, 8> Orientations{{
    {1, 0, 0, 1},   // 1
    {-1, 0, 0, 1},  // 2: mirrored left to right
    {-1, 0, 0, -1}, // 3: half a turn
    {1, 0, 0, -1},  // 4: mirrored top to bottom
    {0, 1, 1, 0},   // 5: transposed
    {0, -1, 1, 0},  // 6: a quarter turn clockwise
    {0, -1, -1, 0}, // 7: transversed
    {0, 1, -1, 0},  // 8: a quarter turn anticlockwise
}};

Matrix times(const Matrix& a, const Matrix& b) {
    return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
            a[2] * b[1] + a[3] * b[3]};
}

int orientationOf(const Matrix& m) {
    for (int i = 0; i < 8; ++i)
        if (Orientations[size_t(i)] == m)
            return i + 1;
    return 1;
}

// 'irot': `angle` quarter turns anticlockwise.
Matrix turn(int angle) {
    constexpr int byAngle[4] = {1, 8, 3, 6};
    return Orientations[size_t(byAngle[angle & 3] - 1)];
}

// 'imir': mode 0 exchanges top and bottom, 1 left and right.
Matrix mirror(int mode) {
    return Orientations[mode == 0 ? 3 : 1];
}

int processorsOfThisThread() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&set));
}

// The crop (in the stored orientation) and the turn and mirror as an EXIF orientation of a picture
// coded at `coded`.
int transformsOf(QIODevice& file, const avifImage* image, QSize coded, QRect& crop) {
    // The crop, turn and mirror, each taken where its flag says the file has it, in the file's order
    // (MIAF's where the boxes cannot be read: crop, turn, mirror). One alone needs no order.
    const avifTransformFlags flags = image->transformFlags;
    const int transforms = bool(flags & AVIF_TRANSFORM_CLAP) + bool(flags & AVIF_TRANSFORM_IROT) +
                           bool(flags & AVIF_TRANSFORM_IMIR);
    std::vector<Step> steps;
    if (transforms > 1)
        steps = stepsOf(file).value_or(std::vector<Step>{});
    for (Step step : {Step::Crop, Step::Turn, Step::Mirror})
        if (std::find(steps.begin(), steps.end(), step) == steps.end())
            steps.push_back(step);
    Matrix m = Orientations[0];
    crop = QRect(QPoint(0, 0), coded);
    for (Step step : steps) {
        if (step == Step::Turn && (flags & AVIF_TRANSFORM_IROT)) {
            m = times(turn(image->irot.angle), m);
        } else if (step == Step::Mirror && (flags & AVIF_TRANSFORM_IMIR)) {
            m = times(mirror(image->imir.mode), m);
        } else if (step == Step::Crop && (flags & AVIF_TRANSFORM_CLAP)) {
            // The crop is of the picture as turned so far; kept in the stored orientation. A crop the
            // standard does not allow is left out, the whole picture shown.
            const int orientation = orientationOf(m);
            const QSize shown = orientation >= 5 ? crop.size().transposed() : crop.size();
            avifCropRect rect{};
            avifDiagnostics diagnostics{};
            if (avifCropRectConvertCleanApertureBox(&rect, &image->clap, uint32_t(shown.width()),
                                                    uint32_t(shown.height()), AVIF_PIXEL_FORMAT_YUV444,
                                                    &diagnostics) &&
                rect.width > 0 && rect.height > 0) {
                const QRect part(int(rect.x), int(rect.y), int(rect.width), int(rect.height));
                if (QRect(QPoint(0, 0), shown).contains(part))
                    crop = storedRectOf(part, crop.size(), orientation).translated(crop.topLeft());
            }
        }
    }
    return orientationOf(m);
}

// The ICC profile the file carries, or one made for the code points it gives.
QByteArray profileOf(const avifImage* image) {
    if (image->icc.size > 0 && image->icc.size <= size_t(colour_profile::MaxProfileBytes)) {
        return QByteArray(reinterpret_cast<const char*>(image->icc.data), qsizetype(image->icc.size));
    }
    // Phones' AVIFs give their Display P3 by code points rather than a profile. Unspecified
    // primaries are BT.709's, as libavif converts them.
    float primaries[8];
    avifColorPrimariesGetValues(image->colorPrimaries, primaries);
    colour_profile::CodePoints points;
    points.red[0] = primaries[0];
    points.red[1] = primaries[1];
    points.green[0] = primaries[2];
    points.green[1] = primaries[3];
    points.blue[0] = primaries[4];
    points.blue[1] = primaries[5];
    points.white[0] = primaries[6];
    points.white[1] = primaries[7];
    points.transfer = int(image->transferCharacteristics);
    return colour_profile::profileFor(points);
}

} // namespace

struct AvifReader::Library {
    // Declared first, so that the decoder, which is handed it, goes first.
    Source source;
    std::unique_ptr<avifDecoder, DecoderFree> decoder{avifDecoderCreate()};
};

AvifReader::AvifReader(QIODevice& file) : file_(file), avif_(new Library) {
    avifDecoder* decoder = avif_->decoder.get();
    if (!decoder || !file.seek(0))
        return;
    Source& source = avif_->source;
    source.file = &file_;
    source.io.destroy = keep;
    source.io.read = readAt;
    source.io.sizeHint = quint64(file.size());
    source.io.persistent = AVIF_FALSE;
    source.io.data = &source;
    avifDecoderSetIO(decoder, &source.io);
    // The library's own bounds on the header agree with the ones kept here. Files libheif 1.11 and
    // older wrote lack a 'pixi', which libheif and other viewers let pass.
    decoder->imageSizeLimit = uint32_t(picture_limits::MaxWholePixels);
    decoder->imageDimensionLimit = uint32_t(picture_limits::MaxWholeSide);
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    if (avifDecoderParse(decoder) != AVIF_RESULT_OK || !decoder->image)
        return;
    const avifImage* image = decoder->image;
    // Refused before decoding: the whole picture would be held.
    if (!picture_limits::fitsWhole(image->width, image->height) || image->depth < 8 || image->depth > 12)
        return;
    coded_ = QSize(int(image->width), int(image->height));
    alpha_ = decoder->alphaPresent;

    orientation_ = transformsOf(file_, image, coded_, crop_);
    icc_ = profileOf(image);
    valid_ = true;
}

AvifReader::~AvifReader() = default;

namespace {

// The rectangle `r` of `image`, sharing its planes: `r`'s left and top fall on chroma samples.
avifImage viewOf(const avifImage& image, const QRect& r) {
    avifImage view = image;
    avifPixelFormatInfo info;
    avifGetPixelFormatInfo(image.yuvFormat, &info);
    const size_t sample = image.depth > 8 ? 2 : 1;
    view.width = uint32_t(r.width());
    view.height = uint32_t(r.height());
    view.imageOwnsYUVPlanes = AVIF_FALSE;
    view.imageOwnsAlphaPlane = AVIF_FALSE;
    for (int p = 0; p < AVIF_PLANE_COUNT_YUV; ++p) {
        if (!image.yuvPlanes[p])
            continue;
        const bool chroma = p != AVIF_CHAN_Y;
        const size_t x = size_t(r.x()) >> (chroma ? info.chromaShiftX : 0);
        const size_t y = size_t(r.y()) >> (chroma ? info.chromaShiftY : 0);
        view.yuvPlanes[p] = image.yuvPlanes[p] + y * image.yuvRowBytes[p] + x * sample;
    }
    if (image.alphaPlane)
        view.alphaPlane = image.alphaPlane + size_t(r.y()) * image.alphaRowBytes + size_t(r.x()) * sample;
    return view;
}

// Rows turned into RGB in one call. libavif upsamples the chroma of each pixel from its neighbours
// (bilinearly, as avifdec does by default), treating the edge of what it is given as the picture's:
// each band is converted with a margin of this many pixels around it, which keeps its own pixels as
// a conversion of the whole picture gives them.
constexpr int BandRows = 128;
constexpr int Margin = 4;

} // namespace

bool AvifReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_ || limit.over())
        return false;
    avifDecoder* decoder = avif_->decoder.get();
    {
        // dav1d starts as many threads as it is told: as many as this thread may use processors,
        // which is one while another such decode is under way.
        const SharedProcessors shared;
        decoder->maxThreads = processorsOfThisThread();
        // The decode is one call that cannot be stopped part way. Once it is done the picture is
        // kept even if the limit went over meanwhile: giving it up then would save nothing.
        if (avifDecoderNextImage(decoder) != AVIF_RESULT_OK)
            return false;
    }
    const avifImage* image = decoder->image;
    if (!image || QSize(int(image->width), int(image->height)) != coded_ || !image->yuvPlanes[AVIF_CHAN_Y] ||
        (alpha_ && !image->alphaPlane))
        return false;
    avifPixelFormatInfo info;
    avifGetPixelFormatInfo(image->yuvFormat, &info);
    const int alignX = 1 << info.chromaShiftX, alignY = 1 << info.chromaShiftY;

    // The columns wanted, as stored, with their margin on chroma samples' bounds.
    const RowReducer::Columns wantedColumns = rows.wantedColumns(crop_.width());
    const int from = wantedColumns.from, to = wantedColumns.to;
    if (from >= to)
        return true;
    const int left = std::max(0, crop_.x() + from - Margin) / alignX * alignX;
    const int right = std::min(coded_.width(), crop_.x() + to + Margin);
    // A row as the reducer takes it, from column 0 of the crop: the converted pixels start `lead`
    // words in, so that the crop's column 0 falls inside the buffer.
    const int lead = std::max(0, left - crop_.x());
    const int width = right - left;
    std::vector<QRgb> pixels(size_t(lead) + size_t(width) * size_t(BandRows + 2 * Margin + alignY));
    QRgb* const converted = pixels.data() + lead;
    const QRgb* const columnZero = converted + (crop_.x() - left);

    // QRgb holds 0xAARRGGBB: blue in the lowest byte in memory on a little-endian machine.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.depth = 8;
    rgb.format = AVIF_RGB_FORMAT_BGRA;
    // Bilinear always: left to choose, libavif takes libyuv's nearest-neighbour upsampling where
    // libyuv has no bilinear one for the layout (12 bits to BGRA).
    rgb.chromaUpsampling = AVIF_CHROMA_UPSAMPLING_BILINEAR;
    // Premultiplied colour is divided back by libavif: the reducer takes it straight.
    rgb.alphaPremultiplied = AVIF_FALSE;
    rgb.rowBytes = uint32_t(width) * 4;
    rgb.pixels = reinterpret_cast<uint8_t*>(converted);

    const int height = crop_.height();
    const RowReducer::Rows wanted = rows.wantedRows(height);
    for (int band = 0; band < height; band += BandRows) {
        const int bandEnd = std::min(height, band + BandRows);
        const int first = std::max(band, wanted.first), last = std::min(bandEnd - 1, wanted.last);
        if (first > last)
            continue;
        const int top = std::max(0, crop_.y() + first - Margin) / alignY * alignY;
        const int bottom = std::min(coded_.height(), crop_.y() + last + 1 + Margin);
        const avifImage view = viewOf(*image, QRect(left, top, width, bottom - top));
        rgb.width = view.width;
        rgb.height = view.height;
        if (avifImageYUVToRGB(&view, &rgb) != AVIF_RESULT_OK)
            return false;
        for (int y = first; y <= last; ++y)
            if (rows.wants(y))
                rows.put(y, columnZero + qsizetype(crop_.y() + y - top) * width, from, to);
    }
    return true;
}
