#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// The eight EXIF orientations (1 as stored, 2 to 8 the turns and mirrors that stand a stored picture
// upright), which every format's orientation is told in: the file's own tag, or its boxes composed.

// `orientation` where it is one of the eight, else 1.
inline int knownOrientation(int orientation) {
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// Whether `orientation` turns a quarter, so that the upright picture has the stored one's sides swapped.
inline bool turnsQuarter(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The size of a picture stored at `stored` once stood upright.
inline QSize uprightSize(QSize stored, int orientation) {
    return turnsQuarter(orientation) ? stored.transposed() : stored;
}

// The rectangle of the stored picture that shows as `upright` once turned by EXIF `orientation`.
QRect storedRectOf(QRect upright, QSize stored, int orientation);

// The transformation that stands an image with EXIF `orientation` upright.
QImage standUpright(QImage image, int orientation);
