#pragma once

#include "picture/limits/PictureLimits.h"
#include "picture/readers/PictureReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QSize>

class DecodeLimit;
class RowReducer;

// Reads the first page of a TIFF file through libtiff into a RowReducer, so that a picture of any
// size takes the memory of what is shown: strips and tiles, 1, 2, 4, 8 and 16 bits of palette, grey,
// RGB, CMYK, YCbCr and CIE L*a*b*, every compression the library decodes, associated and unassociated
// alpha; grey and RGB in strips of any other depth up to 16 bits, and of 32 or 64-bit floats (0 to 1).
// Pixels come out as libtiff's RGBA interface converts them, except grey with alpha in strips and the
// depths it does not convert, unpacked here, and 8-bit CMYK with an embedded CMYK profile, whose inks
// go through the profile as the JPEG reader's do. Rows are given in the stored orientation; `orientation()`
// says how to turn them upright.
class TiffReader final : public PictureReader {
public:
    // Reads the first page's header from `file`.
    explicit TiffReader(QIODevice& file);
    ~TiffReader();
    TiffReader(const TiffReader&) = delete;
    TiffReader& operator=(const TiffReader&) = delete;

    // Rows come top to bottom as stored.
    bool rowsInOrder() const override { return true; }
    // The Orientation tag, 1 to 8 (as EXIF's): 1 when there is none.
    int orientation() const override { return orientation_; }
    // The embedded ICC colour profile; empty when there is none.
    QByteArray iccProfile() const override { return icc_; }
    // Whether the data is coded by fax or JBIG, which code far more pixels per byte than the rest.
    bool bilevelCoding() const { return bilevel_; }
    Claim claim() const override {
        return {qint64(size_.width()) * size_.height(),
                bilevel_ ? picture_limits::FaxPixelsPerByte : picture_limits::DeflatedPixelsPerByte};
    }

    // Reads the rows `rows` wants. Data that turns out corrupt leaves the rows after it untouched;
    // false when not one row could be read, or when `limit` is over.
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;

    struct Library;

private:
    bool readScanlines(RowReducer& rows, const DecodeLimit& limit);
    bool readTiles(RowReducer& rows, const DecodeLimit& limit);
    bool readBands(RowReducer& rows, const DecodeLimit& limit);

    QIODevice& file_;
    Library* tiff_ = nullptr;
    bool bilevel_ = false;
};
