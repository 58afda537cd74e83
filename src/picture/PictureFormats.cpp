#include "picture/PictureFormats.h"

#include <QStringList>

#include <array>

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

constexpr std::array<const char*, 1> BmpEndings{"bmp"};
constexpr std::array<const char*, 2> JpegEndings{"jpg", "jpeg"};
constexpr std::array<const char*, 1> GifEndings{"gif"};
constexpr std::array<const char*, 1> PngEndings{"png"};

const std::array<Format, 4> Formats{{
    {"BMP", BmpEndings, isBmp, Reader::Bmp},
    {"JPEG", JpegEndings, isJpeg, Reader::Jpeg},
    {"GIF", GifEndings, isGif, Reader::Gif},
    {"PNG", PngEndings, isPng, Reader::Png},
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
