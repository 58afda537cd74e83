#include "player/PictureLoader.h"

#include "player/Enlarger.h"
#include "player/JpegScaledDecoder.h"
#include "player/Placement.h"

#include <QFile>
#include <QImageReader>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace picture_loader {

namespace {

// Pictures claiming more pixels than this are refused before any decoding starts.
constexpr qint64 MaxPixels = qint64(1) << 28;
// What Qt's reader may allocate for one picture, for the pictures whose size it cannot tell before
// decoding; every other is measured against the limits below first.
constexpr int AllocationLimitMb = 256;

void raiseAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(AllocationLimitMb); });
}

// What a header claims, whatever the sign of its figures (a BMP stored top-down has a negative height).
qint64 claimedPixels(QSize size) {
    return qAbs(qint64(size.width())) * qAbs(qint64(size.height()));
}

bool tooLarge(QSize size) {
    return claimedPixels(size) > MaxPixels;
}

// Formats that can only be decoded whole (BMP, GIF, and JPEGs that libjpeg cannot hand over as RGB)
// are decoded for a screen only up to this many pixels: four screens, and never less than 16
// megapixels (64 MB), so that a small file claiming a huge picture cannot take the memory. A decode
// that asks for the whole picture (no screen) is bounded only by MaxPixels.
qint64 wholeDecodeLimit(const std::optional<ShowGeometry>& shown) {
    if (!shown)
        return MaxPixels;
    return std::max(4 * qint64(shown->screen.width()) * shown->screen.height(), qint64(1) << 24);
}

// The part of a picture of `size` shown at its own size that falls on the screen; the whole picture
// when it fits.
QRect visiblePart(QSize size, const ShowGeometry& shown) {
    const auto placed = Center_Pic(size, shown.screen, false, false);
    if (!placed)
        return QRect(QPoint(0, 0), size);
    const QRect onScreen = placed->pixels() & QRect(QPoint(0, 0), shown.screen);
    return onScreen.translated(-placed->pixels().topLeft()) & QRect(QPoint(0, 0), size);
}

bool looksLikeJpeg(QFile& file) {
    const QByteArray magic = file.peek(3);
    return magic.size() == 3 && uchar(magic[0]) == 0xFF && uchar(magic[1]) == 0xD8 && uchar(magic[2]) == 0xFF;
}

// A JPEG that is shown smaller than it is stored, decoded at the size shown. Nothing when it is not
// such a picture or the fast path cannot take it.
std::optional<LoadedPicture> decodeReducedJpeg(QFile& file, const ShowGeometry& shown, bool& refused) {
    // The duplicate shares the file offset, which QFile's read-ahead has moved on.
    const int fd = ::dup(file.handle());
    if (fd < 0)
        return std::nullopt;
    ::lseek(fd, 0, SEEK_SET);
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        ::close(fd);
        return std::nullopt;
    }
    std::optional<LoadedPicture> result;
    if (const auto header = jpeg_scaled::probe(stream)) {
        const bool quarterTurn = header->orientation >= 5;
        const QSize upright = quarterTurn ? header->stored.transposed() : header->stored;
        refused = tooLarge(header->stored);
        if (!shown.stretch) {
            // At its own size only what is on screen is decoded.
            const QRect part = visiblePart(upright, shown);
            if (!refused && !part.isEmpty() && part.size() != upright &&
                std::fseek(stream, 0, SEEK_SET) == 0) {
                const QRect stored = jpeg_scaled::storedRect(part, header->stored, header->orientation);
                if (auto decoded = jpeg_scaled::decodeRegion(stream, stored)) {
                    LoadedPicture p;
                    p.ok = true;
                    p.size = upright;
                    p.image = jpeg_scaled::upright(std::move(decoded->image), header->orientation);
                    p.region = part;
                    result = std::move(p);
                }
            }
            std::fclose(stream);
            return result;
        }
        QSize target = shownSize(upright, shown);
        if (quarterTurn)
            target.transpose();
        if (!refused && !target.isEmpty() &&
            (target.width() < header->stored.width() || target.height() < header->stored.height() ||
             target == header->stored) &&
            std::fseek(stream, 0, SEEK_SET) == 0) {
            if (auto decoded = jpeg_scaled::decode(stream, target)) {
                LoadedPicture p;
                p.ok = true;
                p.size = upright;
                p.image = jpeg_scaled::upright(std::move(decoded->image), header->orientation);
                result = std::move(p);
            }
        }
    }
    std::fclose(stream);
    return result;
}

} // namespace

QSize shownSize(QSize size, const ShowGeometry& g) {
    // At its own size a picture pixel is a device pixel.
    if (!g.stretch || size.isEmpty())
        return size;
    const auto placed = Center_Pic(size, g.screen, true, g.keepRatio, g.devicePixelRatio);
    return placed ? placed->deviceSize(g.devicePixelRatio) : size;
}

LoadedPicture decode(const QString& path, const std::optional<ShowGeometry>& shown,
                     regular_file::Stamp* stamp) {
    raiseAllocationLimit();
    LoadedPicture result;
    if (path.isEmpty()) {
        result.ok = true;
        return result;
    }
    const auto file = regular_file::open(path, stamp);
    if (!file)
        return result;

    if (shown && looksLikeJpeg(*file)) {
        bool refused = false;
        if (auto reduced = decodeReducedJpeg(*file, *shown, refused))
            return std::move(*reduced);
        if (refused || !file->seek(0))
            return result;
    }

    QImageReader reader(file.get());
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (tooLarge(stored))
        return result;
    const bool reducible = shown && shown->stretch && reader.format() == "jpeg";
    if (!reducible && claimedPixels(stored) > wholeDecodeLimit(shown))
        return result;
    const bool quarterTurn =
        stored.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize upright = quarterTurn ? stored.transposed() : stored;

    if (reducible && stored.isValid() && !stored.isEmpty()) {
        QSize want = shownSize(upright, *shown);
        if (quarterTurn)
            want.transpose();
        // The smallest size with the picture's own proportions that still covers what is shown.
        const double scale =
            std::max(double(want.width()) / stored.width(), double(want.height()) / stored.height());
        if (scale > 0.0 && scale < 1.0) {
            reader.setScaledSize(QSize(std::max(1, int(std::ceil(stored.width() * scale))),
                                       std::max(1, int(std::ceil(stored.height() * scale)))));
        }
    }

    QImage image = reader.read();
    // The size is the one decoded: a header may claim another (Qt's GIF reader can read a wide
    // screen as no width at all). A picture of no size has nothing to show.
    result.size = reducible && stored.isValid() ? upright : image.size();
    if (image.isNull() || result.size.isEmpty())
        return result;
    // A stretched picture is scaled once here, so that painting it is a plain copy.
    if (shown && shown->stretch) {
        const QSize target = shownSize(result.size, *shown);
        if (enlarger::enlarges(image.size(), target))
            image = enlarger::enlarge(image, target);
        else if (!target.isEmpty() && image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // In the backing store's own format, converted here on a worker rather than at every paint.
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    }
    result.ok = true;
    result.image = std::move(image);
    return result;
}

} // namespace picture_loader

LoadedPicture DirectPictureSource::load(const QString& path, const ShowGeometry& geometry) {
    return picture_loader::decode(path, geometry);
}
