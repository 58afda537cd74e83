#include "picture/readers/GifReader.h"

#include "picture/limits/DecodeLimit.h"
#include "picture/reduce/RowReducer.h"

#include <algorithm>
#include <vector>

#include <gif_lib.h>

struct GifReader::Source {
    QIODevice* file = nullptr;
    bool padding = false;
    bool padded = false;
    qint64 paddedBytes = 0;
    int last = -1; // the last byte read
};

namespace {

// giflib takes the pixel data a block of up to 255 bytes at a time and gives up on a block cut
// short: once the rows are read, the end of the file is padded, so that the rows before the cut
// still come out. The padding is all ones, codes that the table has yet to define, so that the
// decoder stops soon after the cut rather than making up rows from it. The padding ends, though:
// with codes of one bit, all ones is the clear code, which the decoder would take forever.
constexpr qint64 MaxPadding = 4096;

int readFrom(GifFileType* gif, GifByteType* into, int length) {
    auto* source = static_cast<GifReader::Source*>(gif->UserData);
    const qint64 got = std::max<qint64>(0, source->file->read(reinterpret_cast<char*>(into), length));
    if (got > 0)
        source->last = into[got - 1];
    if (got == length || !source->padding || source->paddedBytes >= MaxPadding)
        return int(got);
    std::fill(into + got, into + length, GifByteType(0xff));
    source->padded = true;
    source->paddedBytes += length - got;
    return length;
}

} // namespace

GifReader::GifReader(QIODevice& file) : source_(std::make_unique<Source>()) {
    if (!file.seek(0))
        return;
    source_->file = &file;
    int error = 0;
    gif_ = DGifOpen(source_.get(), readFrom, &error);
    valid_ = gif_ && readHeader();
}

GifReader::~GifReader() {
    if (gif_) {
        int error = 0;
        DGifCloseFile(gif_, &error);
    }
}

qint64 GifReader::framePixels() const {
    return qint64(width_) * height_;
}

bool GifReader::readHeader() {
    // Extensions up to the first frame; of them only the transparent colour matters.
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif_, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type != EXTENSION_RECORD_TYPE)
            return false; // the end, or no GIF: there is no frame
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR)
            return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent_ = control.TransparentColor;
        }
        while (block)
            if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR)
                return false;
    }
    if (DGifGetImageDesc(gif_) == GIF_ERROR) {
        // giflib refuses LZW code sizes past the standard's 8 bits, the byte it read last. Up to 11
        // some writers use them and other readers take them; from 12 no code is left for the
        // table itself, and nothing can be decoded.
        wideCodes_ = source_->last > 8 && source_->last < 12;
        return false;
    }
    const GifImageDesc& frame = gif_->Image;
    left_ = frame.Left;
    top_ = frame.Top;
    width_ = frame.Width;
    height_ = frame.Height;
    interlaced_ = frame.Interlace;

    // The picture is the logical screen; one of no size takes the frame's extent.
    int sw = gif_->SWidth, sh = gif_->SHeight;
    if (sw <= 0)
        sw = left_ + width_;
    if (sh <= 0)
        sh = top_ + height_;
    if (sw <= 0 || sh <= 0)
        return false;
    size_ = QSize(sw, sh);

    // Indexes past the colour table, and the transparent one, are transparent.
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif_->SColorMap;
    // Without a colour table the indexes name nothing: there is no picture to show.
    if (!map)
        return false;
    colours_.fill(0);
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
        colours_[size_t(i)] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    if (transparent_ >= 0 && transparent_ < 256)
        colours_[size_t(transparent_)] = 0;
    const bool covers = left_ == 0 && top_ == 0 && width_ >= sw && height_ >= sh;
    if (!covers && transparent_ < 0 && gif_->SColorMap)
        background_ = colours_[size_t(gif_->SBackGroundColor & 0xff)];
    return true;
}

bool GifReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_)
        return false;
    const int sw = size_.width(), sh = size_.height();
    // Rows go in order where the frame's rows come in order: those above the frame, the frame's,
    // those below.
    std::vector<bool> done(size_t(sh), false);
    for (int y = 0; y < std::min(top_, sh); ++y) {
        if (limit.over())
            return false;
        if (background_)
            rows.fill(y, background_);
        done[size_t(y)] = true;
    }
    source_->padding = true;
    int decoded = 0;
    if (width_ > 0 && height_ > 0) {
        std::vector<GifPixelType> line(static_cast<size_t>(width_));
        std::vector<QRgb> row(size_t(sw), background_);
        const int from = std::clamp(left_, 0, sw), to = std::clamp(left_ + width_, 0, sw);
        // Interlaced frames come in four passes: every eighth row from 0, every eighth from 4,
        // every fourth from 2, every second from 1.
        constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        int pass = 0, r = 0;
        // Rows come in order unless interlaced: those below the last one wanted need no decoding.
        const int last = rows.wantedRows(sh).last;
        for (int i = 0; i < height_ && (interlaced_ || top_ + i <= last); ++i) {
            if (interlaced_) {
                while (pass < 4 && r >= height_) {
                    ++pass;
                    r = pass < 4 ? start[pass] : 0;
                }
            } else {
                r = i;
            }
            // Data cut short: the decoder stops at the padding's codes, and the row that reached
            // them is as doubtful as those after it.
            if (limit.over())
                return false;
            if (DGifGetLine(gif_, line.data(), width_) == GIF_ERROR)
                break;
            const int y = top_ + r;
            if (y < sh && rows.wants(y)) {
                for (int x = from; x < to; ++x)
                    row[size_t(x)] = colours_[line[size_t(x - left_)]];
                if (background_)
                    rows.put(y, row.data(), 0, sw);
                else
                    rows.put(y, row.data(), from, to);
            }
            ++decoded;
            if (y < sh)
                done[size_t(y)] = true;
            if (interlaced_)
                r += step[pass];
        }
    }
    // A frame whose data gives not one row cannot be decoded: a failure, not a picture of its
    // background. One cut short keeps the rows it has.
    if (decoded == 0)
        return false;
    // Below the frame, and the frame's rows that data cut short did not reach.
    if (background_)
        for (int y = 0; y < sh; ++y) {
            if (limit.over())
                return false;
            if (!done[size_t(y)])
                rows.fill(y, background_);
        }
    return true;
}
