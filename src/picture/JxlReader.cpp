#include "picture/JxlReader.h"

#include "picture/DecodeLimit.h"
#include "picture/RowReducer.h"
#include "picture/WholeDecode.h"

#include <QRgb>

#include <algorithm>
#include <thread>

#include <jxl/decode.h>
#include <jxl/resizable_parallel_runner.h>

namespace {

struct DecoderDestroy {
    void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
struct RunnerDestroy {
    void operator()(void* r) const { JxlResizableParallelRunnerDestroy(r); }
};

// Pieces of the file given at a time: each ends a stretch of decoding in which the limit is not seen.
constexpr qint64 Piece = 256 * 1024;

bool isSrgb(const JxlColorEncoding& c) {
    return c.white_point == JXL_WHITE_POINT_D65 && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
           (c.color_space == JXL_COLOR_SPACE_GRAY ||
            (c.color_space == JXL_COLOR_SPACE_RGB && c.primaries == JXL_PRIMARIES_SRGB));
}

} // namespace

struct JxlReader::Library {
    std::unique_ptr<JxlDecoder, DecoderDestroy> decoder{JxlDecoderCreate(nullptr)};
    std::unique_ptr<void, RunnerDestroy> runner{JxlResizableParallelRunnerCreate(nullptr)};
    JxlPixelFormat format = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
};

JxlReader::JxlReader(QIODevice& file) : file_(file), jxl_(new Library) {
    JxlDecoder* decoder = jxl_->decoder.get();
    if (!decoder || !jxl_->runner || !file.seek(0))
        return;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                               JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(decoder, JxlResizableParallelRunner, jxl_->runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) != JXL_DEC_SUCCESS)
        return;
    if (next(nullptr) != JXL_DEC_BASIC_INFO)
        return;
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
        return;
    // Refused before decoding: the whole frame would be held.
    if (!whole_decode::fits(info.xsize, info.ysize))
        return;
    // What the library suggests follows the picture's size alone: no more threads than cores.
    const uint32_t threads = std::min(JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize),
                                      std::max(1u, std::thread::hardware_concurrency()));
    JxlResizableParallelRunnerSetThreads(jxl_->runner.get(), threads);
    // Frames come out upright, and the size given is already the upright one.
    size_ = QSize(int(info.xsize), int(info.ysize));
    alpha_ = info.alpha_bits > 0;
    jxl_->format.num_channels = alpha_ ? 4 : 3;
    valid_ = next(nullptr) == JXL_DEC_COLOR_ENCODING && readColour();
}

JxlReader::~JxlReader() = default;

bool JxlReader::readColour() {
    JxlDecoder* decoder = jxl_->decoder.get();
    JxlColorEncoding encoding;
    // Pixels in sRGB need no profile: they cost nothing more to show.
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
            JXL_DEC_SUCCESS &&
        isSrgb(encoding))
        return true;
    size_t bytes = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &bytes) !=
            JXL_DEC_SUCCESS ||
        bytes == 0)
        return true;
    QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<uint8_t*>(icc.data()), bytes) == JXL_DEC_SUCCESS)
        icc_ = icc;
    return true;
}

bool JxlReader::feed() {
    if (ended_)
        return false;
    JxlDecoder* decoder = jxl_->decoder.get();
    // What the library has not used yet stays, followed by the next piece of the file.
    const size_t unused = JxlDecoderReleaseInput(decoder);
    if (unused > input_.size())
        return false;
    input_.erase(input_.begin(), input_.end() - std::ptrdiff_t(unused));
    const size_t held = input_.size();
    input_.resize(held + size_t(Piece));
    const qint64 got = file_.read(reinterpret_cast<char*>(input_.data() + held), Piece);
    input_.resize(held + size_t(std::max<qint64>(got, 0)));
    if (got <= 0) {
        ended_ = true;
        JxlDecoderCloseInput(decoder);
        if (unused == 0)
            return false;
    }
    return JxlDecoderSetInput(decoder, input_.data(), input_.size()) == JXL_DEC_SUCCESS;
}

int JxlReader::next(const DecodeLimit* limit) {
    JxlDecoder* decoder = jxl_->decoder.get();
    for (;;) {
        if (limit && limit->over())
            return JXL_DEC_ERROR;
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status != JXL_DEC_NEED_MORE_INPUT)
            return status;
        if (!feed())
            return JXL_DEC_ERROR;
    }
}

void JxlReader::keep(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    auto* reader = static_cast<JxlReader*>(opaque);
    const qint64 row = qint64(y) - reader->top_;
    const size_t width = size_t(reader->size_.width());
    if (row < 0 || row >= reader->keptRows_ || x >= width)
        return;
    count = std::min(count, width - x);
    const auto* p = static_cast<const uint8_t*>(pixels);
    QRgb* out = reader->kept_.data() + size_t(row) * width + x;
    if (reader->alpha_)
        for (size_t i = 0; i < count; ++i, p += 4)
            out[i] = qRgba(p[0], p[1], p[2], p[3]);
    else
        for (size_t i = 0; i < count; ++i, p += 3)
            out[i] = qRgb(p[0], p[1], p[2]);
}

bool JxlReader::read(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_)
        return false;
    const int w = size_.width(), h = size_.height();
    // Only the span of rows wanted is kept as the frame comes.
    int top = 0, bottom = h - 1;
    while (top < h && !rows.wants(top))
        ++top;
    while (bottom > top && !rows.wants(bottom))
        --bottom;
    if (top >= h)
        return false;
    for (;;) {
        switch (next(&limit)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            top_ = top;
            keptRows_ = bottom - top + 1;
            kept_.assign(size_t(keptRows_) * size_t(w), 0);
            if (JxlDecoderSetImageOutCallback(jxl_->decoder.get(), &jxl_->format, keep, this) !=
                JXL_DEC_SUCCESS)
                return false;
            break;
        case JXL_DEC_FULL_IMAGE: {
            if (kept_.empty())
                return false;
            const int from = rows.firstColumn(), to = rows.endColumn();
            for (int y = top; y <= bottom; ++y)
                if (rows.wants(y))
                    rows.put(y, kept_.data() + size_t(y - top) * size_t(w), from, to);
            kept_ = {};
            return true;
        }
        case JXL_DEC_BASIC_INFO:
        case JXL_DEC_COLOR_ENCODING:
            break;
        default:
            return false;
        }
    }
}
