#include "player/Mouse.h"

#include <QWidget>

void Show_Mouse(QWidget& window, bool visible) {
    if (visible)
        window.unsetCursor();
    else
        window.setCursor(Qt::BlankCursor);
}
