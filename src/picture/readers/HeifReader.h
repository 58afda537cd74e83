#pragma once

#include "picture/readers/PictureReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QSize>

#include <memory>

class DecodeLimit;
class RowReducer;

// Reads HEIC/HEIF files through libheif (AVIF goes to AvifReader), which decodes the primary picture
// whole (HEVC through libde265) with its rotation, mirror and crop applied; 10 and 12
// bit pictures come out rounded to 8 bits. The rows are read from the library's own RGB planes (it makes
// them from the coded YCbCr whatever it is asked for) and handed to a RowReducer, so that what is
// kept afterwards follows the screen; while decoded the picture is held whole, bounded by
// picture_limits' whole decode limit, which the header is checked against before anything is decoded.
class HeifReader final : public PictureReader {
public:
    // Reads the file's boxes and the primary picture's header through `file`, which must outlive
    // the reader.
    explicit HeifReader(QIODevice& file);
    ~HeifReader();
    HeifReader(const HeifReader&) = delete;
    HeifReader& operator=(const HeifReader&) = delete;

    // The size shown: turned and cropped as the file says; as stored where orientation() turns it.
    QSize size() const override { return size_; }
    // The turn and mirror left to the caller (as EXIF's 1 to 8): those of HEIC pictures deeper than 8
    // bits, which libheif 1.15 cannot mirror; 1 when the library turns the picture itself.
    int orientation() const override { return orientation_; }
    // These formats code a picture of one colour in a few bytes whatever its size: what a header may
    // claim is bounded by the whole decode's limit rather than by the size of the file.
    Claim claim() const override { return Claim::ofWholeDecode(size()); }
    // The ICC profile the file carries ('prof' or 'rICC'), or one made for the colours it gives by
    // code points ('nclx', or of HEIC the HEVC configuration's); empty when it has neither, or they
    // are sRGB's.
    QByteArray iccProfile() const override { return icc_; }

    // Decodes the picture and gives the rows `rows` wants; false when it cannot be decoded or
    // `limit` is over before the decode (the library decodes in one call that cannot be stopped).
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;

    struct Library;

private:
    // Reads the library's own RGB planes; false with `failed` unset when it cannot give them as such.
    bool readPlanes(RowReducer& rows, bool& failed);

    QIODevice& file_;
    std::unique_ptr<Library> heif_;
};
