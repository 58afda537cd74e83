#include "controls/FolderDrawing.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace folder_drawing {

void draw(QPainter& painter, double lineWidth) {
    const QColor outline(60, 45, 10);
    QPainterPath back;
    back.moveTo(2, 7);
    back.lineTo(12, 7);
    back.lineTo(14.5, 10);
    back.lineTo(29, 10);
    back.lineTo(29, 27);
    back.lineTo(2, 27);
    back.closeSubpath();
    QLinearGradient backFill(0, 7, 0, 27);
    backFill.setColorAt(0, QColor(230, 170, 20));
    backFill.setColorAt(1, QColor(200, 140, 10));
    painter.setPen(QPen(outline, lineWidth));
    painter.setBrush(backFill);
    painter.drawPath(back);

    // A sheet peeking out, so the folder looks used rather than empty.
    painter.setPen(QPen(QColor(150, 150, 150), 0.8 * lineWidth));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(5, 11.5, 21, 8));

    QPainterPath front;
    front.moveTo(2, 27);
    front.lineTo(4.5, 14);
    front.lineTo(31, 14);
    front.lineTo(29, 27);
    front.closeSubpath();
    QLinearGradient frontFill(0, 14, 0, 27);
    frontFill.setColorAt(0, QColor(255, 236, 110));
    frontFill.setColorAt(1, QColor(250, 200, 40));
    painter.setPen(QPen(outline, lineWidth));
    painter.setBrush(frontFill);
    painter.drawPath(front);
    painter.setPen(QPen(QColor(255, 250, 200), lineWidth));
    painter.drawLine(QPointF(5.3, 15.2), QPointF(29.6, 15.2));
}

} // namespace folder_drawing
