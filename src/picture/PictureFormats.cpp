#include "picture/PictureFormats.h"

#include "picture/readers/AvifReader.h"
#include "picture/readers/BmpReader.h"
#include "picture/readers/GifReader.h"
#include "picture/readers/HeifReader.h"
#include "picture/readers/JpegReader.h"
#include "picture/readers/JxlReader.h"
#include "picture/readers/PngReader.h"
#include "picture/readers/TiffReader.h"
#include "picture/readers/WebpReader.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <array>
#include <initializer_list>

namespace picture_formats {

namespace {

template <class Reader> std::unique_ptr<PictureReader> open(QIODevice& file) {
    return std::make_unique<Reader>(file);
}

// The first bytes as Qt's own readers tell these formats, so that none of them reaches another reader.
bool isBmp(QByteArrayView head) {
    return head.startsWith("BM");
}

bool isJpeg(QByteArrayView head) {
    return head.startsWith("\xFF\xD8");
}

bool isGif(QByteArrayView head) {
    return head.startsWith("GIF8");
}

bool isPng(QByteArrayView head) {
    return head.startsWith("\x89PNG\r\n\x1a\n");
}

bool isWebp(QByteArrayView head) {
    return head.size() >= 12 && head.startsWith("RIFF") && head.sliced(8, 4) == "WEBP";
}

// Classic TIFF and BigTIFF, in either byte order.
bool isTiff(QByteArrayView head) {
    using namespace Qt::StringLiterals;
    for (QByteArrayView mark : {"II*\0"_ba, "MM\0*"_ba, "II+\0"_ba, "MM\0+"_ba})
        if (head.startsWith(mark))
            return true;
    return false;
}

// The brands of an ISO media file's first box: its major brand, then the compatible ones as far as
// `head` reaches. None for other files.
QList<QByteArrayView> brandsOf(QByteArrayView head) {
    QList<QByteArrayView> brands;
    if (head.size() < 12 || head.sliced(4, 4) != "ftyp")
        return brands;
    const qint64 box =
        (uchar(head[0]) << 24) | (uchar(head[1]) << 16) | (uchar(head[2]) << 8) | uchar(head[3]);
    brands << head.sliced(8, 4);
    // The minor version lies between the major brand and the compatible ones.
    for (qint64 at = 16; at + 4 <= std::min<qint64>(box, head.size()); at += 4)
        brands << head.sliced(at, 4);
    return brands;
}

bool among(QByteArrayView brand, std::initializer_list<const char*> brands) {
    for (const char* b : brands)
        if (brand == b)
            return true;
    return false;
}

// AVIF by its major brand, or a file of the generic HEIF brands that lists AVIF among its compatible
// ones (libavif's own test of a file).
bool isAvif(QByteArrayView head) {
    const QList<QByteArrayView> brands = brandsOf(head);
    if (brands.isEmpty())
        return false;
    if (among(brands[0], {"avif", "avis"}))
        return true;
    if (!among(brands[0], {"mif1", "msf1"}))
        return false;
    for (QByteArrayView brand : brands.sliced(1))
        if (among(brand, {"avif", "avis"}))
            return true;
    return false;
}

// Files of the HEIF family may name the generic "mif1" and list the codec later: those that do not
// list AVIF's are libheif's.
bool isHeif(QByteArrayView head) {
    const QList<QByteArrayView> brands = brandsOf(head);
    return !brands.isEmpty() &&
           among(brands[0], {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"}) &&
           !isAvif(head);
}

// A bare JPEG XL code stream, or one in its ISO container.
bool isJxl(QByteArrayView head) {
    return head.startsWith("\xFF\x0A") || head.startsWith(QByteArrayView("\0\0\0\x0CJXL \r\n\x87\n", 12));
}

constexpr std::array<const char*, 1> BmpEndings{"bmp"};
constexpr std::array<const char*, 2> JpegEndings{"jpg", "jpeg"};
constexpr std::array<const char*, 1> GifEndings{"gif"};
constexpr std::array<const char*, 1> PngEndings{"png"};
constexpr std::array<const char*, 1> WebpEndings{"webp"};
constexpr std::array<const char*, 2> TiffEndings{"tif", "tiff"};
constexpr std::array<const char*, 2> HeifEndings{"heic", "heif"};
constexpr std::array<const char*, 1> AvifEndings{"avif"};
constexpr std::array<const char*, 1> JxlEndings{"jxl"};

const std::array<Format, 9> Formats{{
    {"BMP", BmpEndings, isBmp, open<BmpReader>},
    {"JPEG", JpegEndings, isJpeg, open<JpegReader>},
    {"GIF", GifEndings, isGif, open<GifReader>},
    {"PNG", PngEndings, isPng, open<PngReader>},
    {"WebP", WebpEndings, isWebp, open<WebpReader>},
    {"TIFF", TiffEndings, isTiff, open<TiffReader>},
    {"HEIF", HeifEndings, isHeif, open<HeifReader>},
    {"AVIF", AvifEndings, isAvif, open<AvifReader>},
    {"JPEG XL", JxlEndings, isJxl, open<JxlReader>},
}};

} // namespace

std::span<const Format> all() {
    return Formats;
}

const Format* byContent(QByteArrayView head) {
    for (const Format& format : Formats)
        if (format.recognises(head))
            return &format;
    return nullptr;
}

QString pattern() {
    QStringList wildcards;
    for (const Format& format : Formats)
        for (const char* ending : format.endings)
            wildcards << QStringLiteral("*.") + QLatin1String(ending);
    return wildcards.join(u';');
}

} // namespace picture_formats
