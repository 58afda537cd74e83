#pragma once

#include <QImage>
#include <QSize>

// Enlarges pictures for the screen by bilinear interpolation between the four source pixels around
// each target pixel's centre, as Qt's smooth scaling does when it enlarges, but in whole-number
// arithmetic on four channels at once and with each source row blended across only once. Pictures
// shown larger than they are stored (BMPs and GIFs smaller than the screen) spend most of their
// time here.
namespace enlarger {

// Whether `target` is at least `source` in both directions and larger in one: what `enlarge` is for.
// Reducing in either direction needs an average over several source pixels instead.
bool enlarges(QSize source, QSize target);

// `source` enlarged to `target`, in Format_ARGB32_Premultiplied when the source has an alpha channel
// and Format_RGB32 otherwise, the formats a window paints without converting. A null image when
// `source` is null or `target` empty.
QImage enlarge(const QImage& source, QSize target);

} // namespace enlarger
