#include "picture/readers/ExifOrientation.h"

namespace {

quint16 read16(const uchar* p, bool little) {
    return little ? quint16(p[0] | p[1] << 8) : quint16(p[0] << 8 | p[1]);
}

quint32 read32(const uchar* p, bool little) {
    return little ? quint32(p[0] | p[1] << 8 | p[2] << 16 | quint32(p[3]) << 24)
                  : quint32(quint32(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
}

} // namespace

int exifOrientation(QByteArrayView block) {
    if (block.startsWith(QByteArrayView("Exif\0\0", 6)))
        block = block.sliced(6);
    if (block.size() < 8)
        return 1;
    const auto* tiff = reinterpret_cast<const uchar*>(block.data());
    // Offsets come from the file: in 64 bits, so that none can wrap around past a check.
    const qint64 size = block.size();
    const bool little = tiff[0] == 'I';
    const qint64 ifd = read32(tiff + 4, little);
    if (ifd + 2 > size)
        return 1;
    const quint16 count = read16(tiff + ifd, little);
    for (qint64 i = 0; i < count; ++i) {
        const qint64 at = ifd + 2 + i * 12;
        if (at + 12 > size)
            return 1;
        if (read16(tiff + at, little) == 0x0112) {
            const int value = read16(tiff + at + 8, little);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}
