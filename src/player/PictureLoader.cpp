#include "player/PictureLoader.h"

#include "platform/RegularFile.h"
#include "player/Placement.h"

#include <QFile>
#include <QImageReader>

#include <cmath>
#include <mutex>

namespace picture_loader {

namespace {

// Pictures claiming more pixels than this are refused before any decoding starts.
constexpr qint64 MaxPixels = qint64(1) << 28;
// Decoded pictures may take this much memory; Qt's default of 128 MB refuses a 48-megapixel photo
// even where it is shown at its own size.
constexpr int AllocationLimitMb = 1024;

void raiseAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(AllocationLimitMb); });
}

bool rotatesQuarter(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

} // namespace

QSize shownSize(QSize size, const ShowGeometry& g) {
    if (!g.stretch || size.isEmpty())
        return size;
    if (!g.keepRatio)
        return g.screen;
    const auto placed = Center_Pic(size, g.screen, true, true);
    return placed ? placed->pixels().size() : size;
}

LoadedPicture decode(const QString& path, const std::optional<ShowGeometry>& shown) {
    raiseAllocationLimit();
    LoadedPicture result;
    if (path.isEmpty()) {
        result.ok = true;
        return result;
    }
    const auto file = regular_file::open(path);
    if (!file)
        return result;

    QImageReader reader(file.get());
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid() && qint64(stored.width()) * stored.height() > MaxPixels)
        return result;
    const bool quarterTurn = stored.isValid() && rotatesQuarter(reader.transformation());
    const QSize upright = quarterTurn ? stored.transposed() : stored;

    if (shown && stored.isValid() && !stored.isEmpty() && reader.format() == "jpeg") {
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
    if (image.isNull())
        return result;
    result.size = stored.isValid() ? upright : image.size();
    result.ok = true;
    result.image = std::move(image);
    return result;
}

} // namespace picture_loader

LoadedPicture DirectPictureSource::load(qsizetype, const QString& path, const ShowGeometry& geometry) {
    return picture_loader::decode(path, geometry);
}
