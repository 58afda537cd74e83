// The colour conversion on any bytes taken for an embedded ICC profile, as a JPEG or PNG hands one
// over: over opaque pixels and over premultiplied ones, as a reduced picture with alpha holds them,
// and over a row of CMYK inks, as a CMYK JPEG's rows are turned into RGB.
#include "FuzzInput.h"
#include "picture/colour/ColourProfile.h"

#include <QCoreApplication>
#include <QImage>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray icc = fuzz_input::bytes(data, size);
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage image(16, 8, format);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qPremultiply(qRgba(x * 17, y * 36, (x + y) * 11, 255 - x * 8)));
        colour_profile::toSrgb(image, icc);
        // Converted or not, the picture keeps its size and format.
        if (image.size() != QSize(16, 8) || image.format() != format)
            std::abort();
    }
    const colour_profile::InkProfile inks(icc, size % 2 == 1);
    if (inks.valid()) {
        uchar row[4 * 16];
        for (int i = 0; i < 4 * 16; ++i)
            row[i] = uchar(i * 37);
        QRgb out[16];
        inks.toRgb32(row, out, 16);
        for (const QRgb pixel : out)
            if (qAlpha(pixel) != 255)
                std::abort();
    }
    return 0;
}
