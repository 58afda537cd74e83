#pragma once

#include <QRect>

// The window designs and the placing rules are measured in twips; the screen is laid out in
// device-independent pixels.
inline constexpr int TwipsPerPixel = 15;

namespace twips {

constexpr QRect rect(int left, int top, int width, int height) {
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel, height / TwipsPerPixel);
}

} // namespace twips
