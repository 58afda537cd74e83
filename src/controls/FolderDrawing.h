#pragma once

class QPainter;

// The yellow folder that the menu's folder button and the maker's Load button both show.
namespace folder_drawing {

// Draws the folder filling the 32 x 32 square of `painter`'s coordinates (scale the painter for other
// sizes): the back wall with its tab in a deeper yellow, a sheet peeking out, the front flap lighter
// and slanted so it reads as open. Its lines are `lineWidth` units wide: give a painter scaled down
// wider lines, so that they stay a pixel wide.
void draw(QPainter& painter, double lineWidth = 1.0);

} // namespace folder_drawing
