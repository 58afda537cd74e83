#include "picture/reduce/Orientation.h"

#include <QTransform>

#include <algorithm>

QRect storedRectOf(QRect upright, QSize stored, int orientation) {
    const int w = stored.width(), h = stored.height();
    // Where the upright pixel (x, y) comes from in the stored picture.
    const auto from = [&](int x, int y) -> QPoint {
        switch (orientation) {
        case 2:
            return {w - 1 - x, y};
        case 3:
            return {w - 1 - x, h - 1 - y};
        case 4:
            return {x, h - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {y, h - 1 - x};
        case 7:
            return {w - 1 - y, h - 1 - x};
        case 8:
            return {w - 1 - y, x};
        default:
            return {x, y};
        }
    };
    const QPoint a = from(upright.left(), upright.top());
    const QPoint b = from(upright.right(), upright.bottom());
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QImage standUpright(QImage image, int orientation) {
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.transformed(QTransform().rotate(180));
    case 4:
        return image.mirrored(false, true);
    case 5:
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8:
        return image.transformed(QTransform().rotate(-90));
    default:
        return image;
    }
}
