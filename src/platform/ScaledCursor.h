#pragma once

#include <QCursor>
#include <QPixmap>
#include <QPoint>
#include <QString>

// Cursors of our own drawing at the screen's device pixel ratio: the pixmap drawn at that ratio (a
// 64 x 64 picture of a 32 x 32 pointer at scale 2), its hot spot given in the pixmap's logical
// pixels as QCursor documents it.
namespace scaled_cursor {

// Where the platform wants the hot spot of a pixmap of device pixel ratio `ratio`. Wayland scales
// the cursor's buffer and its hot spot by the ratio itself; Qt 6.4's X11 cursor takes the pixmap's
// pixels as they are and its hot spot with them, unscaled, so there the spot is moved to the
// device pixels.
QPoint hotSpotFor(const QString& platformName, QPoint logicalHotSpot, qreal ratio);

// The cursor for the running platform.
QCursor make(const QPixmap& pixmap, QPoint logicalHotSpot);

} // namespace scaled_cursor
