#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Pictures made and decoded by the formats' own command-line tools, to hold the readers against.
namespace tool_pictures {

// Runs `tool`; the test program stops if it fails.
void run(const QString& tool, const QStringList& arguments);

// 96 x 64 pixels of colour changing in every direction (alpha across, when `format` has it), so that
// a turn, a mirror or swapped channels cannot pass.
QImage sample(QImage::Format format);

// A reference decoder's picture written to `png`, in sRGB as the loader shows it: the profile the
// tool wrote with the pixels applied by the same conversion the loader uses.
QImage referenceInSrgb(const QString& png);

// The largest difference in any channel: alpha, and colour where neither pixel is clear.
int largestDifference(const QImage& a, const QImage& b);

} // namespace tool_pictures
