#pragma once

#include "picture/limits/PictureLimits.h"
#include "picture/readers/PictureReader.h"

#include <QIODevice>
#include <QRgb>
#include <QSize>

#include <array>
#include <memory>

class DecodeLimit;
class RowReducer;
struct GifFileType;

// Reads the first frame of a GIF file through giflib, row by row into a RowReducer (interlaced
// passes included), so that a picture of any size takes the memory of what is shown. The picture
// is the logical screen, as Qt's reader gives it: outside the frame the background colour, or
// transparent when the frame has a transparent colour.
class GifReader final : public PictureReader {
public:
    // Reads the headers from the start of `file` up to the first frame.
    explicit GifReader(QIODevice& file);
    ~GifReader();
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;

    // The first frame's LZW codes start wider than giflib decodes, but not too wide to decode.
    bool wideCodes() const { return wideCodes_; }
    // Such files are Qt's: its reader decodes them whole, within its bounds.
    bool forQt() const override { return !valid_ && wideCodes_; }
    // The screen around a small frame may claim far more than the frame codes: the data is judged by
    // the frame.
    Claim claim() const override { return {framePixels(), picture_limits::PixelsPerByte}; }
    bool hasAlpha() const override { return transparent_ >= 0; }
    bool rowsInOrder() const override { return !interlaced_; }
    // The pixels the first frame's data codes.
    qint64 framePixels() const;

    // Reads the rows `rows` wants. Data that ends early leaves the rest of the frame as the
    // background; false when not one row can be read, or when `limit` is over.
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;

    struct Source;

private:
    bool readHeader();

    std::unique_ptr<Source> source_;
    GifFileType* gif_ = nullptr;
    bool wideCodes_ = false;
    int transparent_ = -1;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool interlaced_ = false;
    std::array<QRgb, 256> colours_{};
    QRgb background_ = 0;
};
