#include "platform/ScaledCursor.h"

#include <QGuiApplication>

namespace scaled_cursor {

QPoint hotSpotFor(const QString& platformName, QPoint logicalHotSpot, qreal ratio) {
    if (platformName != QLatin1String("xcb"))
        return logicalHotSpot;
    return QPoint(qRound(logicalHotSpot.x() * ratio), qRound(logicalHotSpot.y() * ratio));
}

QCursor make(const QPixmap& pixmap, QPoint logicalHotSpot) {
    const QPoint spot =
        hotSpotFor(QGuiApplication::platformName(), logicalHotSpot, pixmap.devicePixelRatio());
    return QCursor(pixmap, spot.x(), spot.y());
}

} // namespace scaled_cursor
