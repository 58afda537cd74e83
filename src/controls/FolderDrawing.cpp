#include "controls/FolderDrawing.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

namespace folder_drawing {

void draw(QPainter& painter, double lineWidth) {
    const QColor outline(60, 45, 10);
    QLinearGradient backFill(0, 7, 0, 27);
    backFill.setColorAt(0, QColor(230, 170, 20));
    backFill.setColorAt(1, QColor(200, 140, 10));
    painter.setPen(QPen(outline, lineWidth));
    painter.setBrush(backFill);
    painter.drawPolygon(QPolygonF{{2, 7}, {12, 7}, {14.5, 10}, {29, 10}, {29, 27}, {2, 27}});

    // A sheet peeking out, so the folder looks used rather than empty.
    painter.setPen(QPen(QColor(150, 150, 150), 0.8 * lineWidth));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(5, 11.5, 21, 8));

    QLinearGradient frontFill(0, 14, 0, 27);
    frontFill.setColorAt(0, QColor(255, 236, 110));
    frontFill.setColorAt(1, QColor(250, 200, 40));
    painter.setPen(QPen(outline, lineWidth));
    painter.setBrush(frontFill);
    painter.drawPolygon(QPolygonF{{2, 27}, {4.5, 14}, {31, 14}, {29, 27}});
    painter.setPen(QPen(QColor(255, 250, 200), lineWidth));
    painter.drawLine(QPointF(5.3, 15.2), QPointF(29.6, 15.2));
}

} // namespace folder_drawing
