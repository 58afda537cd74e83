#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

class DecodeLimit;
class RowReducer;

// What of a stored picture a decode is to give: `part` (in the stored orientation) at `size`, its own
// size where only a part on screen is wanted, else the whole picture reduced.
struct WantedPart {
    QRect part;
    QSize size;
};

// What a header claims, judged by the format's own bounds before anything is decoded.
struct Claim {
    // The pixels the data codes: the work a decode may take follows them (the screen around a small
    // GIF frame costs one sum a row).
    qint64 codedPixels = 0;
    // The most pixels a byte of the file may code; 0 where the format sets no such bound.
    qint64 pixelsPerByte = 0;
    // Read in parts for a screen, so that its size is bounded as a streamed picture's rather than as
    // a whole one's.
    bool streamed = true;
    // Held whole while read (an interlaced PNG): bounded as pictures decoded whole are.
    bool heldWhole = false;
    // What the library holds for the whole picture whatever size it gives it at.
    qint64 heldBytes = 0;

    // The claim of a picture of `size` its library decodes whole before the rows are handed on (HEVC,
    // AV1, JPEG XL): the work follows the decoder's, the bound the whole decode's.
    static Claim ofWholeDecode(QSize size);
};

// One format's reader, all of one shape: built over a file (which must outlive it), it knows after
// the header the picture's stored size, alpha, row order, orientation and colour profile, and gives
// the part and size wanted. The loader does the rest once for every format: the bounds, the profile,
// the turn upright and the size shown.
class PictureReader {
public:
    virtual ~PictureReader() = default;

    // What the header said; a reader whose facts come otherwise gives its own.
    virtual bool valid() const { return valid_; }
    // The size as stored, before the orientation stands it upright.
    virtual QSize size() const { return size_; }
    virtual bool hasAlpha() const { return alpha_; }
    // Rows come top to bottom or bottom to top, never out of order.
    virtual bool rowsInOrder() const { return true; }
    // The EXIF orientation (1 to 8), 1 for formats that carry none.
    virtual int orientation() const { return orientation_; }
    // The colour profile the pixels are in; empty for sRGB.
    virtual QByteArray iccProfile() const { return icc_; }
    // What the header claims, within the format's own bounds.
    virtual Claim claim() const;
    // Whether this file is rather one for Qt's own reader (a GIF whose codes are wider than ours).
    virtual bool forQt() const { return false; }

    // `wanted` of the picture, as 0xAARRGGBB (Format_RGB32 without alpha, or the formats RowReducer
    // gives); a null image when it cannot be decoded or `limit` is over. Readers of rows give theirs
    // to a RowReducer made for `wanted`; libraries that scale as they decode do so themselves.
    virtual QImage read(const WantedPart& wanted, DecodeLimit& limit);

protected:
    bool valid_ = false;
    QSize size_;
    bool alpha_ = false;
    int orientation_ = 1;
    QByteArray icc_;

    // The rows `rows` wants. False when nothing can be read, or when `limit` is over.
    virtual bool readRows(RowReducer& rows, const DecodeLimit& limit);
};
