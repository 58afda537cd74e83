#pragma once

#include "picture/readers/PictureReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QRect>
#include <QSize>

class DecodeLimit;

// Reads WebP files through libwebp: lossy and lossless pictures, with or without alpha, and of an
// animation its first frame as it stands on the canvas. libwebp crops and scales while it decodes,
// so a picture is decoded straight at the size it is shown, or only its part on screen: the whole
// picture never exists here. libwebp itself holds some pictures whole whatever size it gives them
// at (heldBytes). Pixels come out as stored: the colour profile is given for others to apply.
class WebpReader final : public PictureReader {
public:
    // Reads the file (no further than its RIFF chunk says) and its headers.
    explicit WebpReader(QIODevice& file);

    // The canvas: the picture's own size, or an animation's.
    QSize size() const override { return size_; }
    bool lossless() const { return lossless_; }
    bool animated() const { return animated_; }
    // The EXIF orientation (1 to 8), 1 when the file carries none.
    int orientation() const override { return orientation_; }
    // The embedded ICC profile, empty when there is none.
    QByteArray iccProfile() const override { return icc_; }
    // What libwebp holds for the whole picture while decoding it at any size: a lossless picture's
    // pixels, a lossy one's alpha, an animation's canvas twice over.
    qint64 heldBytes() const;
    // What libwebp holds whole is bounded as other libraries' whole decodes are; the work of the
    // rest follows its data, which a header claiming more than is there cannot make it wait for.
    Claim claim() const override {
        return {qint64(size_.width()) * size_.height(), 0, false, false, heldBytes()};
    }

    // `part` of the picture at its own size, or the whole picture (`part` is all of it) reduced to
    // `size`; as 0xAARRGGBB, Format_RGB32 without alpha. A null image when the data is damaged or
    // cut short, or `limit` is over before the decode (libwebp cannot be stopped within one).
    QImage read(QRect part, QSize size, const DecodeLimit& limit);
    QImage read(const WantedPart& wanted, DecodeLimit& limit) override {
        return read(wanted.part, wanted.size, limit);
    }

private:
    QImage readStill(QRect part, QSize size, const DecodeLimit& limit);
    QImage readFirstFrame(QRect part, QSize size, const DecodeLimit& limit);

    QByteArray data_;
    bool lossless_ = false;
    bool animated_ = false;
};
