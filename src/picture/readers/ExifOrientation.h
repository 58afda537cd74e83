#pragma once

#include <QByteArrayView>

// The Orientation tag (1 to 8) of the first IFD of an EXIF block: the TIFF structure itself, or
// that structure after the "Exif\0\0" mark that JPEG's APP1 segment puts before it (and that some
// writers also put in other formats' EXIF chunks). 1, as stored, when there is none or the block
// is damaged.
int exifOrientation(QByteArrayView block);
