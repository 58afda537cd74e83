#include "picture/readers/JxlReader.h"

#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/reduce/RowReducer.h"

#include <QRgb>

#include <algorithm>
#include <mutex>

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

bool JxlReader::fits(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide && width * height <= MaxPixels;
}

struct JxlReader::Library {
    std::unique_ptr<JxlDecoder, DecoderDestroy> decoder{JxlDecoderCreate(nullptr)};
    std::unique_ptr<void, RunnerDestroy> runner{JxlResizableParallelRunnerCreate(nullptr)};
    // Floats, because libjxl 0.7 gives them as each group is done; bytes it gives only once the
    // whole frame is done, after converting it whole in a frame of its own.
    JxlPixelFormat format = {4, JXL_TYPE_FLOAT, JXL_NATIVE_ENDIAN, 0};
};

// The rows [top, bottom] wanted while the frame is decoded: each is kept from its first pixels on,
// handed on once all its pixels are in and those above it have been, and its memory used again.
struct JxlReader::Flight {
    Flight(RowReducer& rows, int width, int top, int bottom, bool alpha)
        : rows(rows), width(width), top(top), bottom(bottom), from(rows.firstColumn()), to(rows.endColumn()),
          alpha(alpha), filled(size_t(bottom - top + 1), 0), held(filled.size()), next(top) {}

    // Under the lock: hands on the complete rows from `next`, releasing the lock while the reducer
    // takes each, so that the library's other threads go on meanwhile.
    void handOn(std::unique_lock<std::mutex>& hold);

    RowReducer& rows;
    const int width, top, bottom, from, to;
    const bool alpha;
    std::mutex lock;
    std::vector<int> filled; // pixels in so far, of each row
    std::vector<std::unique_ptr<QRgb[]>> held;
    std::vector<std::unique_ptr<QRgb[]>> spare;
    int next;
    bool handing = false; // one thread hands on at a time, so that the rows go in order
};

void JxlReader::Flight::handOn(std::unique_lock<std::mutex>& hold) {
    handing = true;
    while (next <= bottom && filled[size_t(next - top)] >= width) {
        std::unique_ptr<QRgb[]> row = std::move(held[size_t(next - top)]);
        const int y = next++;
        hold.unlock();
        if (row)
            rows.put(y, row.get(), from, to);
        hold.lock();
        spare.push_back(std::move(row));
    }
    handing = false;
}

JxlReader::JxlReader(QIODevice& file) : file_(file), jxl_(new Library) {
    JxlDecoder* decoder = jxl_->decoder.get();
    if (!decoder || !jxl_->runner || !file.seek(0))
        return;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                               JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(decoder, JxlResizableParallelRunner, jxl_->runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) != JXL_DEC_SUCCESS ||
        // Turned by the loader once reduced, where it costs less; the library would give the rows
        // of a turned frame only once it had all of them.
        JxlDecoderSetKeepOrientation(decoder, JXL_TRUE) != JXL_DEC_SUCCESS)
        return;
    if (next(nullptr) != JXL_DEC_BASIC_INFO)
        return;
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
        return;
    // Refused before decoding: what the library holds follows the frame's size.
    if (!fits(info.xsize, info.ysize))
        return;
    // One thread: the preloader decodes two pictures at once, which keeps both cores busy, and a
    // second thread of the library's own cost 2 to 6% more work on phone pictures for no gain in
    // pace. The rows are taken in a way that stays safe with more.
    JxlResizableParallelRunnerSetThreads(jxl_->runner.get(), 1);
    size_ = QSize(int(info.xsize), int(info.ysize));
    orientation_ = int(info.orientation);
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

namespace {

// Pixels converted at a time, outside the lock.
constexpr int Chunk = 256;

// 0 to 1 (NaN as 0) to 0 to 255, rounded, first one channel after another (which the compiler
// turns into vector instructions), then packed.
void convert(const float* p, int count, bool alpha, QRgb* out) {
    uint8_t bytes[Chunk * 4];
    const int channels = alpha ? 4 : 3;
    for (int i = 0; i < count * channels; ++i)
        bytes[i] = uint8_t(int(std::min(1.0f, std::max(0.0f, p[i])) * 255.0f + 0.5f));
    const uint8_t* b = bytes;
    if (alpha)
        for (int i = 0; i < count; ++i, b += 4)
            out[i] = qRgba(b[0], b[1], b[2], b[3]);
    else
        for (int i = 0; i < count; ++i, b += 3)
            out[i] = qRgb(b[0], b[1], b[2]);
}

} // namespace

void JxlReader::take(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    auto& f = *static_cast<Flight*>(opaque);
    if (y < size_t(f.top) || y > size_t(f.bottom) || x >= size_t(f.width))
        return;
    count = std::min(count, size_t(f.width) - x);
    const size_t row = y - size_t(f.top);
    const int channels = f.alpha ? 4 : 3;
    int x0 = std::max(int(x), f.from);
    const int x1 = std::min(int(x + count), f.to);
    const float* p = static_cast<const float*>(pixels) + std::ptrdiff_t(x0 - int(x)) * channels;
    QRgb converted[Chunk];
    for (;;) {
        const int n = std::clamp(x1 - x0, 0, Chunk);
        convert(p, n, f.alpha, converted);
        std::unique_lock hold(f.lock);
        // Each pixel comes once; whatever came again would be too late for its row.
        if (int(y) < f.next || f.filled[row] >= f.width)
            return;
        std::unique_ptr<QRgb[]>& line = f.held[row];
        if (!line) {
            // Left 0 outside [from, to), which is never written.
            if (f.spare.empty()) {
                line = std::make_unique<QRgb[]>(size_t(f.width));
            } else {
                line = std::move(f.spare.back());
                f.spare.pop_back();
            }
        }
        std::copy(converted, converted + n, line.get() + x0);
        x0 += n;
        p += std::ptrdiff_t(n) * channels;
        if (x0 < x1)
            continue;
        f.filled[row] += int(count);
        if (!f.handing && int(y) == f.next && f.filled[row] >= f.width)
            f.handOn(hold);
        return;
    }
}

bool JxlReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_ || read_)
        return false;
    read_ = true;
    const int w = size_.width(), h = size_.height();
    const RowReducer::Rows wantedRows = rows.wantedRows(h);
    const int top = wantedRows.first, bottom = wantedRows.last;
    if (top > bottom)
        return false;
    // The library calls into it only within next(), and read() runs once.
    Flight flight(rows, w, top, bottom, alpha_);
    for (;;) {
        switch (next(&limit)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            if (JxlDecoderSetImageOutCallback(jxl_->decoder.get(), &jxl_->format, take, &flight) !=
                JXL_DEC_SUCCESS)
                return false;
            break;
        case JXL_DEC_FULL_IMAGE: {
            // Every pixel has come by now; should a row not have, it is handed on as it is.
            std::unique_lock hold(flight.lock);
            for (int y = flight.next; y <= bottom; ++y)
                flight.filled[size_t(y - top)] = w;
            flight.handOn(hold);
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
