#include "picture/Placement.h"

#include <algorithm>
#include <cmath>

long long halfOfRounded(double value) {
    return static_cast<long long>(std::nearbyint(value)) / 2;
}

QRect Placement::pixels() const {
    const auto px = [](double twips) { return int(std::lround(twips / TwipsPerPixel)); };
    return {px(left), px(top), px(width), px(height)};
}

QSize Placement::deviceSize(double devicePixelRatio) const {
    const auto px = [&](double twips) { return int(std::lround(twips * devicePixelRatio / TwipsPerPixel)); };
    return {px(width), px(height)};
}

std::optional<Placement> Center_Pic(QSize picture, QSize screen, bool stretch, bool keepRatio,
                                    double devicePixelRatio) {
    const double W = double(screen.width()) * TwipsPerPixel;
    const double H = double(screen.height()) * TwipsPerPixel;
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const double w = double(picture.width()) * TwipsPerPixel / ratio;
    const double h = double(picture.height()) * TwipsPerPixel / ratio;

    Placement p;
    if (!stretch) {
        p.width = w;
        p.height = h;
        p.left = double(halfOfRounded(W - w));
        p.top = double(halfOfRounded(H - h));
        return p;
    }
    p.stretched = true;
    if (!keepRatio) {
        p.width = W;
        p.height = H;
        return p;
    }
    if (w <= 0 || h <= 0)
        return std::nullopt;
    // The ratio is held in single precision, the division in double and the size stored as single,
    // which is where the figures of the placing rules come from.
    if (h > w) {
        const float ratio = float(h / w);
        p.height = H;
        p.width = double(float(H / double(ratio)));
        p.left = double(halfOfRounded(W - p.width));
    } else {
        const float ratio = float(w / h);
        p.width = W;
        p.height = double(float(W / double(ratio)));
        p.top = double(halfOfRounded(H - p.height));
    }
    return p;
}

std::optional<Placement> wholePic(QSize picture, QSize screen, double devicePixelRatio) {
    if (picture.isEmpty())
        return std::nullopt;
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const double W = double(screen.width()) * TwipsPerPixel;
    const double H = double(screen.height()) * TwipsPerPixel;
    const double w = double(picture.width()) * TwipsPerPixel / ratio;
    const double h = double(picture.height()) * TwipsPerPixel / ratio;
    const double scale = std::min(W / w, H / h);
    if (scale >= 1.0)
        return Center_Pic(picture, screen, false, false, ratio);
    Placement p;
    p.stretched = true;
    p.width = std::min(W, w * scale);
    p.height = std::min(H, h * scale);
    p.left = double(halfOfRounded(W - p.width));
    p.top = double(halfOfRounded(H - p.height));
    return p;
}

std::optional<Placement> placeFor(QSize picture, QSize screen, bool stretch, bool keepRatio, bool whole,
                                  double devicePixelRatio) {
    if (whole)
        return wholePic(picture, screen, devicePixelRatio);
    return Center_Pic(picture, screen, stretch, keepRatio, devicePixelRatio);
}
