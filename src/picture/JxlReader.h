#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QRgb>
#include <QSize>

#include <memory>
#include <vector>

class DecodeLimit;
class RowReducer;

// Reads JPEG XL files through libjxl: the first frame, turned upright by the file's orientation,
// with its alpha. The file is given to the library in pieces, so that the decode limit is minded
// between them. The library decodes the frame whole, bounded by whole_decode's limit, which the
// header is checked against first; only the rows the RowReducer wants are kept from it.
class JxlReader {
public:
    // Reads the header and the colour encoding from `file`, which must outlive the reader.
    explicit JxlReader(QIODevice& file);
    ~JxlReader();
    JxlReader(const JxlReader&) = delete;
    JxlReader& operator=(const JxlReader&) = delete;

    bool valid() const { return valid_; }
    // The upright size.
    QSize size() const { return size_; }
    bool hasAlpha() const { return alpha_; }
    bool rowsInOrder() const { return true; }
    // The ICC profile of the decoded pixels; empty when they are sRGB.
    QByteArray iccProfile() const { return icc_; }

    // Decodes the first frame and gives the rows `rows` wants; false when it cannot be decoded
    // whole or `limit` goes over.
    bool read(RowReducer& rows, const DecodeLimit& limit);

    struct Library;

private:
    // Processes input up to the next event, reading more of the file when the library asks.
    int next(const DecodeLimit* limit);
    bool feed();
    bool readColour();
    static void keep(void* reader, size_t x, size_t y, size_t count, const void* pixels);

    QIODevice& file_;
    std::unique_ptr<Library> jxl_;
    std::vector<uint8_t> input_;
    bool ended_ = false;
    bool valid_ = false;
    QSize size_;
    bool alpha_ = false;
    QByteArray icc_;
    // The decoded rows [top_, top_ + kept rows) while read.
    std::vector<QRgb> kept_;
    int top_ = 0;
    int keptRows_ = 0;
};
