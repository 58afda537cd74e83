#pragma once

#include "controls/Twips.h"

#include <QRect>
#include <QSize>

#include <optional>

// Where the player puts a picture, in twips (15 to the pixel) as the placing rules compute it.
struct Placement {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool stretched = false;

    QRect pixels() const;
};

// Sizes and centres a picture of `picture` pixels on a screen of `screen` pixels. Keeping the
// ratio fills the width of landscape and square pictures and the height of portrait ones, so a
// picture may come out larger than the screen and is then cut off evenly. Nothing when the
// proportions of an empty picture would be needed.
std::optional<Placement> Center_Pic(QSize picture, QSize screen, bool stretch, bool keepRatio);

// The whole number nearest to `value` (halves to even), halved and truncated toward zero.
long long halfOfRounded(double value);
