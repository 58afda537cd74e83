#include "picture/PictureLoader.h"

#include "picture/AvifReader.h"
#include "picture/BmpReader.h"
#include "picture/ColourProfile.h"
#include "picture/DecodeLimit.h"
#include "picture/GifReader.h"
#include "picture/HeifReader.h"
#include "picture/JpegScaledDecoder.h"
#include "picture/JxlReader.h"
#include "picture/PictureFormats.h"
#include "picture/Placement.h"
#include "picture/PngReader.h"
#include "picture/RowReducer.h"
#include "picture/TiffReader.h"
#include "picture/WebpReader.h"
#include "picture/WholeDecode.h"

#include <QFile>
#include <QImageReader>

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace picture_loader {

namespace {

// A picture decoded whole (no screen to fit) claiming more pixels than this is refused.
constexpr qint64 MaxPixels = qint64(1) << 28;
// A picture read in parts for a screen (JPEG, PNG, TIFF, BMP, GIF) holds what is shown and a row
// whatever its size, but every pixel is still decoded: up to 2^30 pixels (32768 x 32768) take a few
// seconds; more is refused at once rather than holding the show for tens of seconds.
constexpr qint64 MaxStreamedPixels = qint64(1) << 30;
// No BMP or GIF codes more pixels than this per byte of its file (LZW on one colour comes to some
// 2700, runs of a BMP to 127): a file that claims more is a header over too little data, refused at
// once rather than given time and memory by what it claims.
constexpr qint64 PixelsPerByte = 4096;
// Deflate codes at most some 1030 bytes in one, and a byte holds up to eight pixels of one bit.
constexpr qint64 DeflatedPixelsPerByte = 1 << 14;
// HEVC, AV1 and JPEG XL decoders spend several times a row reader's time on a pixel (a 4000 x 3000
// HEIC took 0.9 s of CPU, an AVIF and a JPEG XL 0.5 s, against DecodeLimit's 0.1 s a megapixel): the
// time their decode may take is allowed as for this many times its pixels.
constexpr qint64 WholeDecodeWork = 8;
// What a library that decodes a picture whole (whatever size it is shown at) may hold for it: 64
// megapixels of four bytes, so that a 48-megapixel phone picture shows.
constexpr qint64 MaxHeldBytes = qint64(256) << 20;
// Fax coding gives a white row of any width in a few bits.
constexpr qint64 FaxPixelsPerByte = 1 << 17;
// What Qt's reader may allocate for one picture: only formats without a reader here reach it.
constexpr int AllocationLimitMb = 256;

void raiseAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(AllocationLimitMb); });
}

// What a header claims, whatever the sign of its figures.
qint64 claimedPixels(QSize size) {
    return qAbs(qint64(size.width())) * qAbs(qint64(size.height()));
}

bool tooLarge(QSize size) {
    return claimedPixels(size) > MaxPixels;
}

// Too large for the way it is shown: whole, or in parts for a screen.
bool tooLarge(QSize size, const std::optional<ShowGeometry>& shown) {
    return claimedPixels(size) > (shown ? MaxStreamedPixels : MaxPixels);
}

// Pictures decoded whole (interlaced PNGs, and formats without a reader here by Qt's): for a screen
// only up to four screens, and never less than 16 megapixels, so that a small file claiming a huge
// picture cannot take the memory.
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
struct Wanted {
    QRect part;
    QSize size;
};

Wanted wantedOf(QSize stored, int orientation, const std::optional<ShowGeometry>& shown, QRect& region) {
    const bool quarterTurn = orientation >= 5;
    const QSize upright = quarterTurn ? stored.transposed() : stored;
    const Wanted whole{QRect(QPoint(0, 0), stored), stored};
    if (!shown)
        return whole;
    if (atOwnSize(upright, *shown)) {
        const QRect part = visiblePart(upright, *shown);
        if (part.size() == upright)
            return whole;
        region = part;
        const QRect storedPart = jpeg_scaled::storedRect(part, stored, orientation);
        return {storedPart, storedPart.size()};
    }
    QSize target = shownSize(upright, *shown).boundedTo(upright);
    if (quarterTurn)
        target.transpose();
    return target.isEmpty() ? whole : Wanted{whole.part, target};
}

// How the rows of a picture are kept: as they are where wanted at their own size, else reduced.
RowReducer rowsFor(QSize stored, int orientation, bool alpha, bool inOrder,
                   const std::optional<ShowGeometry>& shown, QRect& region) {
    const Wanted wanted = wantedOf(stored, orientation, shown, region);
    if (wanted.size == wanted.part.size())
        return RowReducer::keeping(stored, wanted.part, alpha);
    return RowReducer::reducing(stored, wanted.size, alpha, inOrder);
}

// The EXIF orientation of a reader's picture; 1 (as stored) for formats that carry none.
template <class Reader> int orientationOf(const Reader& reader) {
    if constexpr (requires { reader.orientation(); })
        return reader.orientation() >= 1 && reader.orientation() <= 8 ? reader.orientation() : 1;
    else
        return 1;
}

template <class Reader>
LoadedPicture decodeRows(Reader& reader, qint64 codedPixels, qint64 bytes,
                         const std::optional<ShowGeometry>& shown, DecodeLimit& limit,
                         qint64 pixelsPerByte = PixelsPerByte) {
    LoadedPicture result;
    if (!reader.valid() || reader.size().isEmpty() ||
        codedPixels > pixelsPerByte * std::max<qint64>(bytes, 1))
        return result;
    // Whole, what is held is the picture; for a screen, what is decoded: the pixels the data codes
    // (the screen around a small GIF frame is filled at the cost of one sum a row).
    if (shown ? std::min(claimedPixels(reader.size()), codedPixels) > MaxStreamedPixels
              : tooLarge(reader.size()))
        return result;
    // The time a picture may take follows what its data codes, not what its header claims.
    limit.allowFor(codedPixels);
    const int orientation = orientationOf(reader);
    RowReducer rows =
        rowsFor(reader.size(), orientation, reader.hasAlpha(), reader.rowsInOrder(), shown, result.region);
    if (!reader.read(rows, limit))
        return result;
    QImage image = rows.take();
    if constexpr (requires { reader.iccProfile(); })
        colour_profile::toSrgb(image, reader.iccProfile());
    result.image = jpeg_scaled::upright(std::move(image), orientation);
    if (result.image.isNull())
        return LoadedPicture();
    result.ok = true;
    result.size = orientation >= 5 ? reader.size().transposed() : reader.size();
    return result;
}

// Pictures their library decodes whole before the rows are handed on. These formats code a picture of
// one colour in a few bytes whatever its size: the readers bound what a header may claim by
// whole_decode's limit rather than by the size of the file.
template <class Reader>
LoadedPicture decodeWhole(Reader& reader, qint64 bytes, const std::optional<ShowGeometry>& shown,
                          DecodeLimit& limit) {
    return decodeRows(reader, WholeDecodeWork * claimedPixels(reader.size()), bytes, shown, limit,
                      WholeDecodeWork * whole_decode::MaxPixels);
}

// WebPs through libwebp, which decodes straight at the size wanted: reduced where shown smaller,
// only the part on screen at their own size.
LoadedPicture decodeWebp(QFile& file, const std::optional<ShowGeometry>& shown, DecodeLimit& limit) {
    LoadedPicture result;
    WebpReader reader(file);
    // What libwebp holds whole is bounded as other libraries' whole decodes are; the work of the
    // rest follows its data, which a header claiming more than is there cannot make it wait for.
    if (!reader.valid() || tooLarge(reader.size()) || reader.heldBytes() > MaxHeldBytes)
        return result;
    limit.allowFor(claimedPixels(reader.size()));
    const int orientation = orientationOf(reader);
    const Wanted wanted = wantedOf(reader.size(), orientation, shown, result.region);
    QImage image = reader.read(wanted.part, wanted.size, limit);
    if (image.isNull())
        return LoadedPicture();
    colour_profile::toSrgb(image, reader.iccProfile());
    result.ok = true;
    result.size = orientation >= 5 ? reader.size().transposed() : reader.size();
    result.image = jpeg_scaled::upright(std::move(image), orientation);
    return result;
}

// JPEGs through libjpeg: reduced by its DCT scaling where shown smaller, only the part on screen at
// their own size, the inks of CMYK pictures turned into RGB, the colours of an embedded profile into
// sRGB; turned upright by their EXIF orientation.
LoadedPicture decodeJpeg(QFile& file, const std::optional<ShowGeometry>& shown, DecodeLimit& limit) {
    LoadedPicture result;
    // The duplicate shares the file offset, which QFile's read-ahead has moved on.
    const int fd = ::dup(file.handle());
    if (fd < 0)
        return result;
    ::lseek(fd, 0, SEEK_SET);
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        ::close(fd);
        return result;
    }
    const auto header = jpeg_scaled::probe(stream);
    if (!header || tooLarge(header->stored, shown) || header->stored.isEmpty() ||
        std::fseek(stream, 0, SEEK_SET) != 0) {
        std::fclose(stream);
        return result;
    }
    const bool quarterTurn = header->orientation >= 5;
    const QSize upright = quarterTurn ? header->stored.transposed() : header->stored;
    std::optional<jpeg_scaled::Result> decoded;
    if (shown && atOwnSize(upright, *shown)) {
        // At its own size only what is on screen is decoded.
        const QRect part = visiblePart(upright, *shown);
        if (part.size() != upright) {
            decoded = jpeg_scaled::decodeRegion(
                stream, jpeg_scaled::storedRect(part, header->stored, header->orientation), limit);
            result.region = part;
        } else {
            decoded = jpeg_scaled::decode(stream, header->stored, limit);
        }
    } else {
        QSize target = shown ? shownSize(upright, *shown) : upright;
        if (quarterTurn)
            target.transpose();
        decoded = jpeg_scaled::decode(
            stream, target.isEmpty() ? header->stored : target.boundedTo(header->stored), limit);
    }
    std::fclose(stream);
    if (!decoded || decoded->image.isNull())
        return LoadedPicture();
    colour_profile::toSrgb(decoded->image, decoded->iccProfile);
    result.ok = true;
    result.size = upright;
    result.image = jpeg_scaled::upright(std::move(decoded->image), header->orientation);
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
    // Any other format goes to Qt's reader.
    if (!format) {
        result = decodeOther(*file, shown, limit);
        fitToScreen(result, shown);
        return result;
    }
    switch (format->reader) {
    case picture_formats::Reader::Jpeg:
        result = decodeJpeg(*file, shown, limit);
        break;
    case picture_formats::Reader::Bmp: {
        BmpReader reader(*file);
        result = decodeRows(reader, claimedPixels(reader.size()), file->size(), shown, limit);
        break;
    }
    case picture_formats::Reader::Png: {
        PngReader reader(*file);
        // Held whole while read, interlaced pictures are bounded as whole decodes are.
        if (!reader.interlaced() || claimedPixels(reader.size()) <= wholeDecodeLimit(shown))
            result = decodeRows(reader, claimedPixels(reader.size()), file->size(), shown, limit,
                                DeflatedPixelsPerByte);
        break;
    }
    case picture_formats::Reader::Gif: {
        GifReader reader(*file);
        // The screen around a small frame may claim far more than the frame codes: the data is
        // judged by the frame.
        if (reader.valid())
            result = decodeRows(reader, reader.framePixels(), file->size(), shown, limit);
        // Such frames are decoded whole by Qt's reader, within its bounds.
        else if (reader.wideCodes() && file->seek(0))
            result = decodeOther(*file, shown, limit);
        break;
    }
    case picture_formats::Reader::Heif: {
        HeifReader reader(*file);
        result = decodeWhole(reader, file->size(), shown, limit);
        break;
    }
    case picture_formats::Reader::Avif: {
        AvifReader reader(*file);
        result = decodeWhole(reader, file->size(), shown, limit);
        break;
    }
    case picture_formats::Reader::Jxl: {
        JxlReader reader(*file);
        result = decodeWhole(reader, file->size(), shown, limit);
        break;
    }
    case picture_formats::Reader::Webp:
        result = decodeWebp(*file, shown, limit);
        break;
    case picture_formats::Reader::Tiff: {
        TiffReader reader(*file);
        result = decodeRows(reader, claimedPixels(reader.size()), file->size(), shown, limit,
                            reader.bilevelCoding() ? FaxPixelsPerByte : DeflatedPixelsPerByte);
        break;
    }
    }
    fitToScreen(result, shown);
    return result;
}

} // namespace picture_loader

LoadedPicture DirectPictureSource::load(const QString& path, const ShowGeometry& geometry) {
    return picture_loader::decode(path, geometry);
}
