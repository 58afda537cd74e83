#pragma once

#include "picture/PictureSource.h"
#include "platform/RegularFile.h"

#include <atomic>
#include <optional>

// Decodes pictures from disk: BMP, JPEG, PNG, GIF and WebP (of an animation its first frame),
// recognised by their content, turned upright by their EXIF orientation. Only regular files are read.
namespace picture_loader {

// Decodes `path`. With `shown`, a picture that will be shown reduced and whose format can decode
// reduced is decoded at the smallest size that still covers what is shown, a JPEG or WebP at its own size
// only as far as it is on screen (`LoadedPicture::region`), and a picture that can only be decoded
// whole is refused beyond four screens. Without, the whole picture is decoded. `stamp` receives the
// stamp of the file that was read. A BMP, GIF, JPEG, PNG or WebP decode is given up as a failure once
// `cancelled` is set, or when it takes far longer than the picture's size warrants (DecodeLimit).
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
