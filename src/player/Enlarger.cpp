#include "player/Enlarger.h"

#include "player/PictureMemory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace enlarger {

namespace {

// Where each target pixel's centre falls among the source pixels: the source pixel at or before it
// and how far towards the next one, in 256ths. Centres before the first source pixel's or after the
// last one's take that pixel alone.
struct Taps {
    std::vector<int> first;
    std::vector<quint32> weight;

    Taps(int source, int target) : first(size_t(target)), weight(size_t(target)) {
        for (int i = 0; i < target; ++i) {
            // (i + 0.5) * source / target - 0.5, in 16.16 fixed point.
            const qint64 at = ((2 * qint64(i) + 1) * source << 16) / (2 * qint64(target)) - (1 << 15);
            if (at <= 0) {
                first[size_t(i)] = 0;
                weight[size_t(i)] = 0;
            } else if ((at >> 16) >= source - 1) {
                first[size_t(i)] = source - 1;
                weight[size_t(i)] = 0;
            } else {
                first[size_t(i)] = int(at >> 16);
                weight[size_t(i)] = quint32(at >> 8) & 0xff;
            }
        }
    }
};

// a + (b - a) * w / 256 on all four 8-bit channels of two pixels at once: two channels at a time in
// the halves of a 32-bit word, which cannot carry into each other (255 * 256 fits 16 bits).
inline quint32 blend(quint32 a, quint32 b, quint32 w) {
    const quint32 v = 256 - w;
    const quint32 rb = ((a & 0x00ff00ff) * v + (b & 0x00ff00ff) * w) >> 8 & 0x00ff00ff;
    const quint32 ag = (((a >> 8) & 0x00ff00ff) * v + ((b >> 8) & 0x00ff00ff) * w) & 0xff00ff00;
    return rb | ag;
}

// One source row blended across to the target's width.
void across(const quint32* source, int sourceWidth, const Taps& taps, quint32* out) {
    const int width = int(taps.first.size());
    const int last = sourceWidth - 1;
    for (int x = 0; x < width; ++x) {
        const int at = taps.first[size_t(x)];
        const quint32 w = taps.weight[size_t(x)];
        out[x] = w == 0 ? source[at] : blend(source[at], source[std::min(at + 1, last)], w);
    }
}

// Two blended rows mixed down into a target row, byte by byte: the compiler turns this into vector
// code.
void down(const uchar* upper, const uchar* lower, quint32 w, int bytes, uchar* out) {
    const quint32 v = 256 - w;
    for (int i = 0; i < bytes; ++i)
        out[i] = uchar((upper[i] * v + lower[i] * w) >> 8);
}

} // namespace

bool enlarges(QSize source, QSize target) {
    return !source.isEmpty() && target.width() >= source.width() && target.height() >= source.height() &&
           target != source;
}

QImage enlarge(const QImage& source, QSize target) {
    if (source.isNull() || target.isEmpty())
        return QImage();
    const QImage::Format format =
        source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    // Premultiplied, so that a transparent pixel's colour does not bleed into its neighbours.
    const QImage from = source.format() == format ? source : source.convertToFormat(format);
    QImage to = picture_memory::image(target, format);
    if (to.isNull() || from.isNull())
        return QImage();

    const Taps columns(from.width(), target.width());
    const Taps rows(from.height(), target.height());
    const int bytes = target.width() * 4;
    // The blended-across rows of the two source rows the current target row lies between.
    std::vector<quint32> upper(size_t(target.width()));
    std::vector<quint32> lower(size_t(target.width()));
    int upperRow = -1;
    int lowerRow = -1;
    const auto sourceRow = [&](int y) { return reinterpret_cast<const quint32*>(from.constScanLine(y)); };
    for (int y = 0; y < target.height(); ++y) {
        const int top = rows.first[size_t(y)];
        const int bottom = std::min(top + 1, from.height() - 1);
        if (top != upperRow) {
            if (top == lowerRow) {
                upper.swap(lower);
                lowerRow = upperRow;
            } else {
                across(sourceRow(top), from.width(), columns, upper.data());
            }
            upperRow = top;
        }
        uchar* out = to.scanLine(y);
        const quint32 w = rows.weight[size_t(y)];
        if (w == 0) {
            std::memcpy(out, upper.data(), size_t(bytes));
            continue;
        }
        if (bottom != lowerRow) {
            across(sourceRow(bottom), from.width(), columns, lower.data());
            lowerRow = bottom;
        }
        down(reinterpret_cast<const uchar*>(upper.data()), reinterpret_cast<const uchar*>(lower.data()), w,
             bytes, out);
    }
    return to;
}

} // namespace enlarger
