#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The maker's own pictures, drawn in code: the toolbar's, the music box's, the arrows of the move
// buttons and the cursor shown while an entry of the picture list is dragged.
namespace makerart {

// 16 x 16 (and 32 x 32 for dense screens) by toolbar key: "Loop", "Shuffle", "Message", "Clear",
// "Load", "Save", "Preview". A null icon for any other key.
QIcon toolbarPicture(const QString& key);
// The same picture at `size` x `size` pixels; a null pixmap for an unknown key.
QPixmap toolbarPixmap(const QString& key, int size = 16);

// 16 x 16: a pair of notes, for the graphical music check box.
QIcon musicPicture();

// 9 x 9 solid triangles in `colour` for the up and down buttons beside the list (the disabled look is
// Qt's own greying of the icon). Set the buttons' icon size to arrowSize().
QIcon upArrow(const QColor& colour = Qt::black);
QIcon downArrow(const QColor& colour = Qt::black);
QSize arrowSize();

// 32 x 32 at scale 1, drawn at the device pixel ratio given (64 x 64 pixels at 2): a pointer carrying
// an entry, hot spot at the pointer's tip.
QPixmap dragCursorPixmap(qreal devicePixelRatio = 1.0);
QCursor dragCursor(qreal devicePixelRatio = 1.0);

} // namespace makerart
