#pragma once

#include "picture/readers/PictureReader.h"

#include <cstdio>

// JPEGs through libjpeg (jpeg_scaled): reduced by its DCT scaling where shown smaller, only the part
// on screen at their own size, the inks of CMYK pictures turned into RGB. The profile is the one the
// decode found.
class JpegReader final : public PictureReader {
public:
    // Reads the header of `file`, which must be a file on disk.
    explicit JpegReader(QIODevice& file);
    ~JpegReader() override;
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    bool valid() const override { return stream_ && !size_.isEmpty(); }
    bool hasAlpha() const override { return false; }
    Claim claim() const override { return {qint64(size_.width()) * size_.height(), 0}; }

    QImage read(const WantedPart& wanted, DecodeLimit& limit) override;

private:
    std::FILE* stream_ = nullptr;
};
