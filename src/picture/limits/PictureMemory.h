#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>

// Memory for the pixels of decoded pictures. A show goes through pictures of a few megabytes each,
// one after another: taken fresh from the system, every one costs a page fault and a page of zeros
// for each 4 KB (a screen-sized picture some 2000 of each, more time than decoding a BMP takes).
// Here the blocks of pictures that are gone are kept for the next ones, up to a bound, and new
// blocks are given huge pages where the system offers them on request.
namespace picture_memory {

// A picture of `size` in `format` (32 bits a pixel or fewer), its pixels NOT initialised: the caller
// writes every one. Small pictures come from the usual heap. A null image when memory runs out.
QImage image(QSize size, QImage::Format format);

// For tests: the bytes of the blocks kept for reuse, and the most that are kept.
std::size_t keptBytes();
std::size_t keptLimit();

} // namespace picture_memory
