#pragma once

#include "picture/PictureSource.h"
#include "platform/RegularFile.h"

#include <atomic>
#include <optional>

// Decodes pictures from disk in every format of the table (picture_formats), recognised by their
// content: of an animation its first frame, of a TIFF its first page, turned upright by their
// orientation, their colours turned into sRGB by the profile they carry. Only regular files are read.
namespace picture_loader {

// Decodes `path`. With `shown`, a picture that will be shown reduced is decoded at the smallest size
// that still covers what is shown (or read in rows and reduced as they come), one shown at its own
// size only as far as it is on screen where its format allows (`LoadedPicture::region`); pictures
// their library can only decode whole are bounded: up to four screens for Qt's readers, a stated
// number of megapixels for HEIF, AVIF, JPEG XL and what libwebp holds. Without, the whole picture
// is decoded. `stamp` receives the stamp of the file that was read. A decode is given up as a
// failure once `cancelled` is set, or when it takes far longer than the picture's size warrants
// (DecodeLimit), as far as its library lets it be stopped.
LoadedPicture decode(const QString& path, const std::optional<ShowGeometry>& shown = std::nullopt,
                     regular_file::Stamp* stamp = nullptr, const std::atomic<bool>* cancelled = nullptr);

// The size in device pixels a picture of `size` takes on screen for `geometry`: what a decode
// must cover.
QSize shownSize(QSize size, const ShowGeometry& geometry);

} // namespace picture_loader

// The plain source: every load decodes from disk at the size shown.
class DirectPictureSource final : public PictureSource {
public:
    LoadedPicture load(const QString& path, const ShowGeometry& geometry) override;
};
