#include "controls/PaletteMaths.h"

#include <cmath>

namespace palette {

namespace {

constexpr qint32 rgb(int r, int g, int b) {
    return qint32((b << 16) | (g << 8) | r);
}
constexpr qint32 White = rgb(255, 255, 255);
constexpr qint32 Grey = rgb(127, 127, 127);
constexpr qint32 Black = 0;

constexpr int FieldLeft = 2, FieldRight = 96, FieldTop = 3, FieldBottom = 46, FullHueRow = 24;

// The fully saturated hue for a column of the field: six sectors red, yellow, green, cyan, blue,
// magenta; the last column stops short of red again.
Rgb hueOf(int x) {
    const double h = double(x - FieldLeft) * 6.0 / double(FieldRight - FieldLeft + 1);
    const int sector = int(h);
    const int rising = int(std::lround((h - sector) * 255.0));
    const int falling = 255 - rising;
    switch (sector) {
    case 0:
        return {255, rising, 0};
    case 1:
        return {falling, 255, 0};
    case 2:
        return {0, 255, rising};
    case 3:
        return {0, falling, 255};
    case 4:
        return {rising, 0, 255};
    default:
        return {255, 0, falling};
    }
}

int towards(int from, int to, double share) {
    return int(std::lround(from + (to - from) * share));
}

qint32 fieldPixel(int x, int y) {
    const Rgb hue = hueOf(x);
    if (y <= FullHueRow) {
        // Towards white above the full hue; the top row stays just short of white.
        const double share = double(FullHueRow - y) / double(FullHueRow - FieldTop + 1);
        return rgb(towards(hue.red, 255, share), towards(hue.green, 255, share),
                   towards(hue.blue, 255, share));
    }
    const double share = double(y - FullHueRow) / double(FieldBottom - FullHueRow);
    return rgb(towards(hue.red, 0, share), towards(hue.green, 0, share), towards(hue.blue, 0, share));
}

} // namespace

qint32 pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return -1;
    if (y == 0)
        return White;
    if (y == Height - 1)
        return Black;
    if (y == 1 || y == Height - 2 || x == 0 || x == Width - 1)
        return Grey;
    if (y == 2 || y == Height - 3 || x == 1 || x == Width - 2)
        return White;
    return fieldPixel(x, y);
}

const QImage& image() {
    static const QImage built = [] {
        QImage img(Width, Height, QImage::Format_RGB32);
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                const Rgb c = split(pixel(x, y));
                img.setPixel(x, y, qRgb(c.red, c.green, c.blue));
            }
        }
        return img;
    }();
    return built;
}

QString describe(qint32 colour) {
    const Rgb c = split(colour);
    return QStringLiteral("red %1, green %2, blue %3").arg(c.red).arg(c.green).arg(c.blue);
}

QPoint startFor(qint32 colour) {
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (pixel(x, y) == colour)
                return {x, y};
    return {Width / 2, 24};
}

QPoint stepped(QPoint from, int dx, int dy) {
    return {qBound(0, from.x() + dx, Width - 1), qBound(0, from.y() + dy, Height - 1)};
}

Rgb split(qint32 colour) {
    // As the colour number is taken apart everywhere else: by whole-number division.
    const qint32 blue = colour / 65536;
    const qint32 green = (colour - blue * 65536) / 256;
    const qint32 red = colour - blue * 65536 - green * 256;
    return {int(red), int(green), int(blue)};
}

qint32 gradientColumn(std::optional<qint32> first, qint32 second, int i) {
    const Rgb a = first ? split(*first) : Rgb{};
    const Rgb b = split(second);
    const auto mix = [i](int from, int to) {
        // Halves to even, as the rounding of the default floating-point mode does.
        return int(std::nearbyint(double(255 - i) / 255.0 * from + double(i) / 255.0 * to));
    };
    return rgb(mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue));
}

std::vector<Tick> ticks(int width) {
    std::vector<Tick> result;
    const int step = int(std::nearbyint(width / 10.0));
    if (step <= 0)
        return result;
    int k = 0;
    for (int x = 0; x <= width; x += step) {
        result.push_back({x - 1, x - 6, k > 0 ? k : 0});
        k = (k + 1) & 0xFF; // the counter is a byte
    }
    return result;
}

double scaleLine(int height) {
    return 2.0 * height / 3.0;
}

} // namespace palette
