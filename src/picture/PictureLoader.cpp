#include "picture/PictureLoader.h"

#include "picture/PictureFormats.h"
#include "picture/Placement.h"
#include "picture/colour/ColourProfile.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/readers/PictureReader.h"
#include "picture/reduce/Orientation.h"

#include <QFile>
#include <QImageReader>

#include <mutex>

namespace picture_loader {

namespace {

using namespace picture_limits;

void raiseAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(MaxHeldMiB); });
}

// What a header claims, whatever the sign of its figures.
qint64 claimedPixels(QSize size) {
    return qAbs(qint64(size.width())) * qAbs(qint64(size.height()));
}

bool tooLarge(QSize size) {
    return claimedPixels(size) > MaxPixels;
}

// Pictures decoded whole (interlaced PNGs, and formats without a reader here by Qt's): for a screen
// only up to four screens, and never less than 16 megapixels, so that a small file claiming a huge
// picture cannot take the memory.
qint64 wholeDecodeLimit(const std::optional<ShowGeometry>& shown) {
    if (!shown)
        return MaxPixels;
    return std::max(4 * qint64(shown->screen.width()) * shown->screen.height(), LeastWholeForScreen);
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

// Whether a picture of `size` (upright) is shown at its own size, one pixel to a device pixel.
bool atOwnSize(QSize size, const ShowGeometry& shown) {
    if (shown.whole) {
        const auto placed = wholePic(size, shown.screen, shown.devicePixelRatio);
        return !placed || !placed->stretched;
    }
    return !shown.stretch;
}

// Shown larger than it is stored, in both directions: the paint enlarges it. Qt's smooth scaling
// there costs less than a scaled copy made here, which also needs fresh memory the size of the
// screen (measured on whole shows and on the time to the first picture).
bool paintEnlarges(QSize stored, QSize shown) {
    return !stored.isEmpty() && shown.width() >= stored.width() && shown.height() >= stored.height() &&
           shown != stored;
}

// A stretched picture reduced any further here, so that the paint has at most the screen's pixels to
// draw, and held in the backing store's own format, converted here on a worker rather than at every
// paint.
void fitToScreen(LoadedPicture& picture, const std::optional<ShowGeometry>& shown) {
    if (!picture.ok || !shown || atOwnSize(picture.size, *shown))
        return;
    QImage& image = picture.image;
    const QSize target = shownSize(picture.size, *shown);
    if (!target.isEmpty() && image.size() != target && !paintEnlarges(image.size(), target))
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image = image.convertToFormat(format);
}

// What of a picture stored at `stored` and turned upright by EXIF `orientation` is decoded, and the
// size it is wanted at: the whole picture as it is, the part on screen at its own size, or the whole
// reduced to no more than the size shown (a smaller picture is enlarged by the paint). `part` is in
// the stored orientation; `region` receives the upright part when only a part is wanted.
WantedPart wantedOf(QSize stored, int orientation, const std::optional<ShowGeometry>& shown, QRect& region) {
    const bool quarterTurn = turnsQuarter(orientation);
    const QSize upright = uprightSize(stored, orientation);
    const WantedPart whole{QRect(QPoint(0, 0), stored), stored};
    if (!shown)
        return whole;
    if (atOwnSize(upright, *shown)) {
        const QRect part = visiblePart(upright, *shown);
        if (part.size() == upright)
            return whole;
        region = part;
        const QRect storedPart = storedRectOf(part, stored, orientation);
        return {storedPart, storedPart.size()};
    }
    QSize target = shownSize(upright, *shown).boundedTo(upright);
    if (quarterTurn)
        target.transpose();
    return target.isEmpty() ? whole : WantedPart{whole.part, target};
}

// Whether `reader`'s claim is within its format's bounds and the way it is shown: whole, what is held
// is the picture; for a screen, what is decoded (the screen around a small GIF frame is filled at the
// cost of one sum a row).
bool withinBounds(const PictureReader& reader, qint64 bytes, const std::optional<ShowGeometry>& shown) {
    const Claim claim = reader.claim();
    const qint64 claimed = claimedPixels(reader.size());
    if (claim.pixelsPerByte > 0 && claim.codedPixels > claim.pixelsPerByte * std::max<qint64>(bytes, 1))
        return false;
    if (claim.heldWhole && claimed > wholeDecodeLimit(shown))
        return false;
    if (claim.heldBytes > MaxHeldBytes)
        return false;
    if (shown && claim.streamed)
        return std::min(claimed, claim.codedPixels) <= MaxStreamedPixels;
    return claimed <= MaxPixels;
}

// The end of every reader's decode, written once: the bounds, the part and size wanted, the colours
// into sRGB, the turn upright.
LoadedPicture decodeWith(PictureReader& reader, qint64 bytes, const std::optional<ShowGeometry>& shown,
                         DecodeLimit& limit) {
    LoadedPicture result;
    if (!reader.valid() || reader.size().isEmpty() || !withinBounds(reader, bytes, shown))
        return result;
    // The time a picture may take follows what its data codes, not what its header claims.
    limit.allowFor(reader.claim().codedPixels);
    const int orientation = knownOrientation(reader.orientation());
    QImage image = reader.read(wantedOf(reader.size(), orientation, shown, result.region), limit);
    if (image.isNull())
        return LoadedPicture();
    colour_profile::toSrgb(image, reader.iccProfile());
    result.image = standUpright(std::move(image), orientation);
    if (result.image.isNull())
        return LoadedPicture();
    result.ok = true;
    result.size = uprightSize(reader.size(), orientation);
    return result;
}

// The file as Qt's readers see it: its reads fail once the decode is over its limit, which ends the
// decode as a failure.
class LimitedFile final : public QIODevice {
public:
    LimitedFile(QFile& file, const DecodeLimit& limit) : file_(file), limit_(limit) {
        file_.seek(0);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return file_.size(); }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && file_.seek(pos); }

protected:
    qint64 readData(char* data, qint64 most) override { return limit_.over() ? -1 : file_.read(data, most); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile& file_;
    const DecodeLimit& limit_;
};

// Any other format Qt reads, decoded whole.
LoadedPicture decodeOther(QFile& whole, const std::optional<ShowGeometry>& shown, DecodeLimit& limit) {
    LoadedPicture result;
    LimitedFile file(whole, limit);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (tooLarge(stored) || claimedPixels(stored) > wholeDecodeLimit(shown))
        return result;
    limit.allowFor(claimedPixels(stored));
    QImage image = reader.read();
    // The size is the one decoded: a header may claim another. A picture of no size has nothing
    // to show.
    if (image.isNull() || image.size().isEmpty())
        return result;
    result.ok = true;
    result.size = image.size();
    result.image = std::move(image);
    return result;
}

} // namespace

QSize shownSize(QSize size, const ShowGeometry& g) {
    // At its own size a picture pixel is a device pixel.
    if (atOwnSize(size, g) || size.isEmpty())
        return size;
    const auto placed = placeFor(size, g.screen, true, g.keepRatio, g.whole, g.devicePixelRatio);
    return placed ? placed->deviceSize(g.devicePixelRatio) : size;
}

LoadedPicture decode(const QString& path, const std::optional<ShowGeometry>& shown,
                     regular_file::Stamp* stamp, const std::atomic<bool>* cancelled) {
    raiseAllocationLimit();
    LoadedPicture result;
    if (path.isEmpty()) {
        result.ok = true;
        return result;
    }
    const auto file = regular_file::open(path, stamp);
    if (!file)
        return result;
    DecodeLimit limit(cancelled);
    const auto* format = picture_formats::byContent(file->peek(picture_formats::HeadBytes));
    std::unique_ptr<PictureReader> reader = format ? format->open(*file) : nullptr;
    // Any other format goes to Qt's reader.
    if (!reader || reader->forQt())
        result = file->seek(0) ? decodeOther(*file, shown, limit) : LoadedPicture();
    else
        result = decodeWith(*reader, file->size(), shown, limit);
    fitToScreen(result, shown);
    return result;
}

} // namespace picture_loader

LoadedPicture DirectPictureSource::load(const QString& path, const ShowGeometry& geometry) {
    return picture_loader::decode(path, geometry);
}
