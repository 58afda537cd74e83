#pragma once

#include "picture/readers/PictureReader.h"

#include <QIODevice>
#include <QRgb>
#include <QSize>

#include <array>

class DecodeLimit;
class RowReducer;

// Reads BMP files row by row into a RowReducer, so that a picture of any size takes the memory of
// what is shown: 1, 2, 4, 8, 16, 24 and 32 bits, RLE4 and RLE8, bit fields (with or without alpha),
// rows stored bottom-up or top-down, OS/2 and Windows headers of every size up to V5. Pixels come
// out as Qt's own reader gives them, but for channels of fewer than 8 bits, which span 0-255 here
// (Qt's shifts 31 of 5 bits to 248 and a 1-bit alpha to 128), and plain 32-bit pixels whose alpha
// bytes are all 0, which are opaque here.
class BmpReader final : public PictureReader {
public:
    // Reads the headers and the palette from the start of `file`.
    explicit BmpReader(QIODevice& file);

    // Rows come from the bottom up or from the top down, never out of order.
    bool rowsInOrder() const override { return true; }
    // Whether the rows are run-length coded.
    bool runLength() const { return compression_ == RunLength8 || compression_ == RunLength4; }

    // Reads the rows `rows` wants. A file that ends early leaves the rows it does not reach
    // untouched; false when nothing can be read, or when `limit` is over.
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;

private:
    enum Compression { Plain = 0, RunLength8 = 1, RunLength4 = 2, BitFields = 3, AlphaBitFields = 6 };
    struct Channel {
        quint32 mask = 0;
        int shift = 0;
        int bits = 0; // from the lowest bit of the mask to its highest
        int of(quint32 pixel) const;
    };

    // What the headers say beyond the picture's own fields.
    struct Info {
        qint64 offBits = 0;
        quint32 size = 0; // of the information header
        quint32 coloursUsed = 0;
    };
    bool readHeader();
    bool readInfo(uchar* info, Info& header);
    bool readMasks(const uchar* info, quint32 infoSize, bool bitFields, quint32* masks);
    bool readPalette(const Info& header);
    static Channel channelOf(quint32 mask);
    void setChannels(bool bitFields, const quint32* masks);
    bool fourthBytesAllZero();
    bool readRunLength(RowReducer& rows, const DecodeLimit& limit);
    bool readPlain(RowReducer& rows, const DecodeLimit& limit);
    void convert(const uchar* in, QRgb* out, int from, int to) const;

    QIODevice& file_;
    bool bottomUp_ = true;
    int bits_ = 0;
    int compression_ = Plain;
    qint64 dataStart_ = 0;
    qint64 stride_ = 0;
    int colours_ = 0;
    std::array<QRgb, 256> palette_{};
    Channel red_, green_, blue_, alphaChannel_;
};
