#pragma once

#include <QtGlobal>

// Every bound the picture room puts on what a file may claim, in one place: the readers and the
// loader take theirs from here, and the budgets that change while the program runs (the preloader's
// memory, the PNG readers' whole data) are handed in by whoever owns them.
namespace picture_limits {

// What any library may allocate or hold for one picture: 64 megapixels of four bytes, so that a
// 48-megapixel phone picture shows. Qt's reader is told it in MiB, libtiff for one buffer, and it
// bounds what libwebp holds whole.
constexpr qint64 MaxHeldBytes = qint64(256) << 20;
constexpr int MaxHeldMiB = int(MaxHeldBytes >> 20);

// A picture decoded whole (no screen to fit) claiming more pixels than this is refused.
constexpr qint64 MaxPixels = qint64(1) << 28;
// A picture read in parts for a screen (JPEG, PNG, TIFF, BMP, GIF) holds what is shown and a row
// whatever its size, but every pixel is still decoded: up to 2^30 pixels (32768 x 32768) take a few
// seconds; more is refused at once rather than holding the show for tens of seconds.
constexpr qint64 MaxStreamedPixels = qint64(1) << 30;
// Pictures decoded whole for a screen (interlaced PNGs, formats Qt reads): up to four screens, and
// never less than this, so that a small file claiming a huge picture cannot take the memory.
constexpr qint64 LeastWholeForScreen = qint64(1) << 24;

// The most pixels a byte of file may code. BMP and GIF: LZW on one colour comes to some 2700, runs
// of a BMP to 127; a file that claims more is a header over too little data, refused at once rather
// than given time and memory by what it claims.
constexpr qint64 PixelsPerByte = 4096;
// Deflate codes at most some 1030 bytes in one, and a byte holds up to eight pixels of one bit.
constexpr qint64 DeflatedPixelsPerByte = 1 << 14;
// Fax coding gives a white row of any width in a few bits.
constexpr qint64 FaxPixelsPerByte = 1 << 17;

// Rows wider or taller than any honest picture has; libpng's own limit is a million.
constexpr int MaxRowSide = 1 << 17;

// HEIF, AVIF and JPEG XL pictures are decoded whole by their libraries, whatever the screen shows of
// them: what they may claim is bounded here instead of by the screen. 64 megapixels (2^26 pixels)
// take in every phone's picture (48 MP is 8000 x 6000; 64 MP sensors give 9248 x 6936) and cost,
// decoded, MaxHeldBytes at four bytes a pixel on top of the library's own planes.
constexpr qint64 MaxWholePixels = MaxHeldBytes / 4;
// Panoramas are long but not that long: no side beyond this, which the libraries are told as well.
constexpr int MaxWholeSide = 1 << 16;
// JPEG XL is read group by group, though its library holds some planes for the whole frame (some 2.6
// bytes a pixel of a VarDCT frame, 680 MB for 16384 x 16384): up to 2^28 pixels.
constexpr qint64 MaxJxlPixels = MaxPixels;
// HEVC, AV1 and JPEG XL decoders spend several times a row reader's time on a pixel (a 4000 x 3000
// HEIC took 0.9 s of CPU, an AVIF and a JPEG XL 0.5 s, against DecodeLimit's 0.1 s a megapixel): the
// time their decode may take is allowed as for this many times its pixels.
constexpr qint64 WholeDecodeWork = 8;

inline bool fitsWhole(qint64 width, qint64 height, qint64 pixels = MaxWholePixels) {
    return width > 0 && height > 0 && width <= MaxWholeSide && height <= MaxWholeSide &&
           width * height <= pixels;
}

} // namespace picture_limits
