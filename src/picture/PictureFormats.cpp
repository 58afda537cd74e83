#include "picture/PictureFormats.h"

#include <QStringList>

#include <array>
#include <initializer_list>

namespace picture_formats {

namespace {

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

// An ISO media file whose first box names one of `brands` as its major brand. Files of the HEIF
// family may name the generic "mif1" and list the codec later; those go to the same reader anyway.
bool hasBrand(QByteArrayView head, std::initializer_list<const char*> brands) {
    if (head.size() < 12 || head.sliced(4, 4) != "ftyp")
        return false;
    const QByteArrayView brand = head.sliced(8, 4);
    for (const char* b : brands)
        if (brand == b)
            return true;
    return false;
}

bool isAvif(QByteArrayView head) {
    return hasBrand(head, {"avif", "avis"});
}

bool isHeif(QByteArrayView head) {
    return hasBrand(head, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"});
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
    {"BMP", BmpEndings, isBmp, Reader::Bmp},
    {"JPEG", JpegEndings, isJpeg, Reader::Jpeg},
    {"GIF", GifEndings, isGif, Reader::Gif},
    {"PNG", PngEndings, isPng, Reader::Png},
    {"WebP", WebpEndings, isWebp, Reader::Webp},
    {"TIFF", TiffEndings, isTiff, Reader::Tiff},
    {"HEIF", HeifEndings, isHeif, Reader::Heif},
    {"AVIF", AvifEndings, isAvif, Reader::Avif},
    {"JPEG XL", JxlEndings, isJxl, Reader::Jxl},
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
