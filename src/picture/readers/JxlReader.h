#pragma once

#include "picture/limits/PictureLimits.h"
#include "picture/readers/PictureReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QRgb>
#include <QSize>

#include <memory>
#include <vector>

class DecodeLimit;
class RowReducer;

// Reads JPEG XL files through libjxl: the first frame as stored, with its orientation and alpha.
// The file is given to the library in pieces, so that the decode limit is minded between them.
// The library holds some of its planes for the whole frame (some 2.6 bytes a pixel), bounded at 2^28
// pixels (16384 x 16384), which the header is checked against first; its pixels come group by group,
// and each row the RowReducer wants is handed on once complete, so that only the rows in flight are
// held here.
class JxlReader final : public PictureReader {
public:
    // Reads the header and the colour encoding from `file`, which must outlive the reader.
    explicit JxlReader(QIODevice& file);
    ~JxlReader();
    JxlReader(const JxlReader&) = delete;
    JxlReader& operator=(const JxlReader&) = delete;

    // The library's rows come group by group, but it holds some of its planes for the whole frame:
    // some 2.6 bytes a pixel of a VarDCT frame (680 MB for 16384 x 16384), less of a modular one.
    // Pictures up to 2^28 pixels are read, and no side beyond 65536.
    static constexpr qint64 MaxPixels = picture_limits::MaxJxlPixels;
    static constexpr qint64 MaxSide = picture_limits::MaxWholeSide;
    static bool fits(qint64 width, qint64 height);

    // The size as stored, before the orientation stands it upright.
    QSize size() const override { return size_; }
    // The orientation (1 to 8, as EXIF's).
    int orientation() const override { return orientation_; }
    // These formats code a picture of one colour in a few bytes whatever its size: what a header may
    // claim is bounded by the whole decode's limit rather than by the size of the file.
    Claim claim() const override { return Claim::ofWholeDecode(size()); }
    // Rows complete in whatever order the library's groups come (with several threads, or groups
    // stored out of order), but they are handed on top to bottom.
    bool rowsInOrder() const override { return true; }
    // The ICC profile of the decoded pixels; empty when they are sRGB.
    QByteArray iccProfile() const override { return icc_; }

    // Decodes the first frame and gives the rows `rows` wants, once; false when it cannot be
    // decoded whole or `limit` goes over.
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;

    struct Library;

private:
    // Processes input up to the next event, reading more of the file when the library asks.
    int next(const DecodeLimit* limit);
    bool feed();
    bool readColour();

    struct Flight;
    static void take(void* flight, size_t x, size_t y, size_t count, const void* pixels);

    QIODevice& file_;
    std::unique_ptr<Library> jxl_;
    std::vector<uint8_t> input_;
    bool ended_ = false;
    bool read_ = false;
};
