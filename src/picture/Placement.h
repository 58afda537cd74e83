#pragma once

#include "platform/Twips.h"

#include <QRect>
#include <QSize>

#include <optional>

// Where the player puts a picture, in twips (15 to the logical pixel) as the placing rules compute it.
struct Placement {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool stretched = false;

    // In the window's logical pixels.
    QRect pixels() const;
    // The size the picture covers in device pixels on a screen scaled by `devicePixelRatio`.
    QSize deviceSize(double devicePixelRatio) const;
};

// Sizes and centres a picture of `picture` pixels on a screen of `screen` logical pixels. Keeping
// the ratio fills the width of landscape and square pictures and the height of portrait ones, so a
// picture may come out larger than the screen and is then cut off evenly. Nothing when the
// proportions of an empty picture would be needed.
//
// A picture at its own size covers one device pixel with each of its pixels: on a screen scaled by
// `devicePixelRatio` a twip is that much smaller a part of a picture pixel, as the screen's twips
// per pixel are (15 / ratio to the device pixel).
std::optional<Placement> Center_Pic(QSize picture, QSize screen, bool stretch, bool keepRatio,
                                    double devicePixelRatio = 1.0);

// Shows the whole picture: one larger than the screen (in device pixels) is fitted inside it with its
// proportions kept, a smaller one is at its own size; either is centred. For a person who opens a
// single photo, who must not see a cut-out of its middle.
std::optional<Placement> wholePic(QSize picture, QSize screen, double devicePixelRatio = 1.0);

// Places a picture as `stretch`, `keepRatio` and `whole` of a show say.
std::optional<Placement> placeFor(QSize picture, QSize screen, bool stretch, bool keepRatio, bool whole,
                                  double devicePixelRatio = 1.0);

// The whole number nearest to `value` (halves to even), halved and truncated toward zero.
long long halfOfRounded(double value);
