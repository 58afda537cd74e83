#pragma once

#include <QSize>
#include <QtGlobal>

// HEIF, AVIF and JPEG XL pictures are decoded whole by their libraries, whatever the screen shows of
// them: what they may claim is bounded here instead of by the screen. 64 megapixels (2^26 pixels)
// take in every phone's picture (48 MP is 8000 x 6000; 64 MP sensors give 9248 x 6936) and cost,
// decoded, 256 MB at four bytes a pixel on top of the library's own planes. A header claiming more
// is refused before anything is decoded.
namespace whole_decode {

constexpr qint64 MaxPixels = qint64(1) << 26;
// Panoramas are long but not that long: no side beyond this, which libheif is told as well.
constexpr int MaxSide = 1 << 16;

inline bool fits(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide && width * height <= MaxPixels;
}

} // namespace whole_decode
