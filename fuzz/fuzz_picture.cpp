// The picture loader on any bytes, as each way of showing a picture decodes it: at its own size,
// on a screen at its own size, stretched with and without its proportions. JPEG headers also go
// through the header probe with its EXIF reading on their own, which is quick to explore, as do HEIF,
// AVIF and JPEG XL headers through their readers. A PNG is read at once and streaming, which must agree.
#include "FuzzInput.h"
#include "picture/PictureFormats.h"
#include "picture/PictureLoader.h"
#include "picture/limits/DecodeLimit.h"
#include "picture/limits/PictureLimits.h"
#include "picture/readers/AvifReader.h"
#include "picture/readers/HeifReader.h"
#include "picture/readers/JpegScaledDecoder.h"
#include "picture/readers/JxlReader.h"
#include "picture/readers/PngReader.h"
#include "picture/reduce/RowReducer.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

static bool isFormat(const picture_formats::Format* format, const char* name) {
    return format && qstrcmp(format->name, name) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (std::FILE* header = ::fmemopen(const_cast<uint8_t*>(data), size, "rb")) {
        jpeg_scaled::probe(header);
        std::fclose(header);
    }
    // The headers alone of what the loader takes for HEIF, AVIF or JPEG XL, read with their colour profiles:
    // one taken as valid claims no more than a whole decode may hold.
    QByteArray bytes = fuzz_input::bytes(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto bounded = [](const auto& reader) {
        return !reader.valid() || picture_limits::fitsWhole(reader.size().width(), reader.size().height());
    };
    const auto* format = picture_formats::byContent(
        QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), picture_formats::HeadBytes)));
    if (isFormat(format, "HEIF") && !bounded(HeifReader(buffer)))
        std::abort();
    if (isFormat(format, "AVIF") && !bounded(AvifReader(buffer)))
        std::abort();
    if (isFormat(format, "JPEG XL")) {
        const JxlReader reader(buffer);
        if (reader.valid() && !JxlReader::fits(reader.size().width(), reader.size().height()))
            std::abort();
    }
    if (isFormat(format, "PNG")) {
        const auto read = [&](PngReader::Way way) {
            buffer.seek(0);
            PngReader reader(buffer, way);
            const QSize size = reader.size();
            if (!reader.valid() || qint64(size.width()) * size.height() > (1 << 22))
                return std::pair(false, QImage());
            RowReducer rows = RowReducer::keeping(size, QRect(QPoint(0, 0), size), reader.hasAlpha());
            const bool ok = reader.readRows(rows, DecodeLimit());
            return std::pair(ok, rows.take());
        };
        if (read(PngReader::Way::Fastest) != read(PngReader::Way::Streaming))
            std::abort();
    }
    const fuzz_input::MemoryFile file(data, size);
    // Small screens: the same paths as a real one (most pictures are larger, so only a part of
    // them is decoded at their own size), with little scaling work in each run.
    const ShowGeometry ways[] = {
        {QSize(64, 48), false, false},
        {QSize(64, 48), true, true},
        {QSize(40, 60), true, false},
    };
    for (const ShowGeometry& way : ways) {
        const LoadedPicture p = picture_loader::decode(file.path(), way);
        // A picture that loads has a size to place it by and pixels to paint.
        if (p.ok && (p.size.isEmpty() || p.image.isNull()))
            std::abort();
    }
    return 0;
}
