#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

// The colour maths of the palette picker, apart from any widget. Colours are 0x00BBGGRR values.
namespace palette {

inline constexpr int Width = 99;
inline constexpr int Height = 50;

// The palette pixel at (x, y) of the 99 x 50 image, or -1 outside it. A grey and white frame runs
// round a field whose hue turns from red (left) to a purplish red (right) and which runs from
// almost white (top) through the full hue (y = 24) to black (bottom).
qint32 pixel(int x, int y);
// The whole palette image, built from pixel().
const QImage& image();

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};
// A colour split into its parts (the colour must not be negative).
Rgb split(qint32 colour);
// The colour as a screen reader says it: "red 255, green 0, blue 0".
QString describe(qint32 colour);

// Where the keyboard's cross-hair starts: the first pixel (row by row) that shows `colour`, or the
// middle of the full hues when none does.
QPoint startFor(qint32 colour);
// The keyboard's steps over the image: one pixel, or BigStep with Shift; never off the image.
inline constexpr int BigStep = 8;
QPoint stepped(QPoint from, int dx, int dy);

// The colour of gradient column i (0 to 255) from `first` (nothing counts as black) to `second`.
qint32 gradientColumn(std::optional<qint32> first, qint32 second, int i);

struct Tick {
    int x = 0;      // where the tick line is drawn
    int textX = 0;  // where its number starts
    int number = 0; // 0: the tick carries no number
};
// The scale over a swatch whose inner width is `width`: a tick every tenth of it, numbered from the
// second on. A swatch too narrow for a step of at least one gets no scale.
std::vector<Tick> ticks(int width);
// The height of the inverted line and the base of the ticks: two thirds of the inner height.
double scaleLine(int height);

} // namespace palette
