#pragma once

#include <QRect>

// The window designs are measured in twips; the screen is laid out in device-independent pixels.
namespace twips {

inline constexpr int PerPixel = 15;

constexpr QRect rect(int left, int top, int width, int height) {
    return QRect(left / PerPixel, top / PerPixel, width / PerPixel, height / PerPixel);
}

} // namespace twips
