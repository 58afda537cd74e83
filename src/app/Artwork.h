#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

// The program's own pictures, drawn in code so that nothing but the executable has to be shipped.
namespace artwork {

QPixmap folderIcon();                 // 32 x 32: a yellow folder
QPixmap makeIcon();                   // 32 x 32: a written page with a pencil
QPixmap openIcon();                   // 32 x 32: a page with a folder in front of it
QPixmap aboutIcon();                  // 32 x 32: a white "i" on a dark blue disc
QPixmap projectorIcon(int size = 32); // size x size: a film projector
QIcon programIcon();                  // the projector at the sizes a desktop asks for
// The projector drawn into a size x size square at the painter's origin, on any paint device: the
// icon files a desktop installs (SVG and PNG) are made from the same drawing as the window icon.
void paintProjector(QPainter& painter, qreal size);
QPixmap banner(); // 238 x 49: "10. Lumora" in white outline letters on black

} // namespace artwork
