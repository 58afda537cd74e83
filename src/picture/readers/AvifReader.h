#pragma once

#include "picture/readers/PictureReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QRect>
#include <QSize>

#include <memory>

class DecodeLimit;
class RowReducer;

// Reads AVIF files through libavif (its own box parser, dav1d for the AV1 picture, libyuv for the
// colours): the primary picture is decoded whole into its YUV planes, and only the rows and columns
// the RowReducer wants are turned into RGB, a band at a time, with libavif's own conversion (chroma
// upsampled bilinearly, as avifdec does; deeper samples rounded to 8 bits; premultiplied colour
// divided back once). libavif hands the file's rotation ('irot'), mirror ('imir') and crop ('clap')
// over without applying them: they are applied here in the order the file lists them, to colour and
// alpha alike, the crop as the rows read and the turn and mirror as an EXIF orientation. Any Exif
// the file carries is not read: the boxes are AVIF's only orientation, as for avifdec and libheif.
class AvifReader final : public PictureReader {
public:
    // Reads the file's boxes and the primary picture's header through `file`, which must outlive
    // the reader.
    explicit AvifReader(QIODevice& file);
    ~AvifReader();
    AvifReader(const AvifReader&) = delete;
    AvifReader& operator=(const AvifReader&) = delete;

    // The size as read: cropped as the file says, before the orientation stands it upright.
    QSize size() const override { return crop_.isValid() ? crop_.size() : QSize(); }
    // The file's turn and mirror, composed in its order, as the EXIF orientation (1 to 8) that does
    // the same.
    int orientation() const override { return orientation_; }
    // These formats code a picture of one colour in a few bytes whatever its size: what a header may
    // claim is bounded by the whole decode's limit rather than by the size of the file.
    Claim claim() const override { return Claim::ofWholeDecode(size()); }
    // The ICC profile the file carries, or one made for the colours it gives by code points ('nclx');
    // empty when it has neither, or they are sRGB's.
    QByteArray iccProfile() const override { return icc_; }

    // Decodes the picture and gives the rows `rows` wants; false when it cannot be decoded or
    // `limit` is over before the decode (the library decodes in one call that cannot be stopped).
    bool readRows(RowReducer& rows, const DecodeLimit& limit) override;

    struct Library;

private:
    QIODevice& file_;
    std::unique_ptr<Library> avif_;
    QSize coded_; // the whole picture as decoded
    QRect crop_;  // what of it is shown, in its own orientation
};
