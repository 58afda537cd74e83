#pragma once

#include "picture/limits/PictureLimits.h"
#include "picture/readers/PictureReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QRgb>
#include <QSize>

#include <vector>

class DecodeLimit;
class RowReducer;

// Reads PNG files through libpng row by row into a RowReducer, so that a picture of any size takes
// the memory of what is shown: every colour type and bit depth (16 bits rounded to 8), palettes with
// transparency, and of an animated PNG the picture that readers without animation show. Adam7
// interlaced pictures complete their rows only in the last pass: they are held whole while read.
// Pixels come out as stored; an embedded ICC profile (iCCP) is given for the colour conversion, the
// orientation of an eXIf chunk (before the data, where the PNG specification asks for it) to turn
// them upright.
// gAMA and cHRM without a profile are left unapplied, as Qt's reader leaves them: old tools wrote a
// gamma of 1.0 into pictures meant for sRGB screens (most of the PNG suite carries one), and
// a gamma of 1/2.2, the common one, is sRGB's already.
// Pictures in rows of 8-bit samples whose data is small enough to hold whole (png_whole) are
// inflated in one piece, far faster; anything unusual about their data sends them back to the
// streaming read from the start, so that both ways give the same.
class PngReader final : public PictureReader {
public:
    enum class Way { Fastest, Streaming };

    // Reads the headers from the start of `file` up to the picture's data; `way` Streaming never
    // holds the data whole (to compare the two).
    explicit PngReader(QIODevice& file, Way way = Way::Fastest);
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Rows come top to bottom, those of an interlaced picture once it is whole.
    bool rowsInOrder() const override { return true; }
    bool interlaced() const { return interlaced_; }
    // Held whole while read, interlaced pictures are bounded as whole decodes are.
    Claim claim() const override {
        return {qint64(size_.width()) * size_.height(), picture_limits::DeflatedPixelsPerByte, true,
                interlaced_};
    }
    // The embedded ICC profile's bytes; empty when there is none.
    QByteArray iccProfile() const override { return icc_; }
    // The Orientation of an eXIf chunk before the picture's data, 1 to 8 (as EXIF's); 1 when there
    // is none.
    int orientation() const override { return orientation_; }

    // Reads the rows `rows` wants. Data that ends early or turns out corrupt leaves the rows after
    // it untouched; false when not one row can be read, or when `limit` is over.
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;
    // Whether the last read held the data whole.
    bool readWhole() const { return readWhole_; }

    struct Library;

private:
    enum class Outcome { Read, Over, Unusual };

    bool start();
    bool readHeader();
    void holdWhole(int colour, bool transparency);
    Outcome readAtOnce(RowReducer& rows, const DecodeLimit& limit, int last);
    bool readInOrder(RowReducer& rows, const DecodeLimit& limit);
    bool readInterlaced(RowReducer& rows, const DecodeLimit& limit);

    QIODevice& file_;
    Way way_;
    Library* png_ = nullptr;
    bool readWhole_ = false;
    // Of pictures that may be held whole: bytes a pixel and row as stored, and what each pixel
    // shows as (by grey level or palette index), or the transparent colour of RGB.
    int pixelBytes_ = 0;
    size_t rowBytes_ = 0;
    std::vector<QRgb> shades_;
    int transparent_[3] = {-1, -1, -1};
    bool interlaced_ = false;
};
