#include "picture/readers/JpegReader.h"

#include "picture/readers/JpegScaledDecoder.h"

#include <QFileDevice>

#include <unistd.h>

JpegReader::JpegReader(QIODevice& file) {
    auto* onDisk = qobject_cast<QFileDevice*>(&file);
    // The duplicate shares the file offset, which QFile's read-ahead has moved on.
    const int fd = onDisk ? ::dup(onDisk->handle()) : -1;
    if (fd < 0)
        return;
    ::lseek(fd, 0, SEEK_SET);
    stream_ = ::fdopen(fd, "rb");
    if (!stream_) {
        ::close(fd);
        return;
    }
    const auto header = jpeg_scaled::probe(stream_);
    if (!header || std::fseek(stream_, 0, SEEK_SET) != 0)
        return;
    size_ = header->stored;
    orientation_ = header->orientation;
}

JpegReader::~JpegReader() {
    if (stream_)
        std::fclose(stream_);
}

QImage JpegReader::read(const WantedPart& wanted, DecodeLimit& limit) {
    if (!valid())
        return {};
    // At its own size only what is on screen is decoded.
    const auto decoded = wanted.part.size() != size_ ? jpeg_scaled::decodeRegion(stream_, wanted.part, limit)
                                                     : jpeg_scaled::decode(stream_, wanted.size, limit);
    if (!decoded)
        return {};
    icc_ = decoded->iccProfile;
    return decoded->image;
}
