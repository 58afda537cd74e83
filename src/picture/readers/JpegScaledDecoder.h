#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdio>

class DecodeLimit;
#include <optional>

// Decodes a JPEG straight to the size it will be shown at: libjpeg's DCT scaling (in eighths) brings it
// close, and a streaming resample brings it the rest of the way, so the full-size picture never
// exists in memory. CMYK and YCCK pictures are turned into RGB here, Adobe's inverted inks too.
// Gives nothing where the file cannot be decoded (not a JPEG, 12-bit samples, a fatal error).
namespace jpeg_scaled {

struct Result {
    QImage image;          // `target` in the stored orientation, before any EXIF turn
    QSize stored;          // the picture's own size as stored
    int orientation = 1;   // EXIF orientation, 1 when there is none
    QByteArray iccProfile; // the embedded ICC profile (APP2), empty when there is none
};

// A progressive picture of more scans than this is refused: honest ones have about ten, and each
// scan goes over the whole picture again (libjpeg-turbo's advice for untrusted input).
constexpr int MaxScans = 256;

// `file` is read from its current position. `target` is in the stored orientation. Decoding is
// given up, with nothing, past MaxScans or once `limit` is over.
std::optional<Result> decode(std::FILE* file, QSize target, DecodeLimit& limit);

// The part `region` (in the stored orientation) of the picture at its own size, read without
// decoding the rows above or below it or the columns beside it beyond what libjpeg must; nothing
// where this path does not apply, as for `decode`.
std::optional<Result> decodeRegion(std::FILE* file, QRect region, DecodeLimit& limit);

// The picture's own size and EXIF orientation from its header, without decoding.
std::optional<Result> probe(std::FILE* file);

} // namespace jpeg_scaled
