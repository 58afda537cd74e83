#include "maker/MakerArt.h"

#include "controls/FolderDrawing.h"
#include "platform/ScaledCursor.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <QtMath>

#include <cmath>
#include <functional>

namespace makerart {

namespace {

using Drawing = std::function<void(QPainter&)>;

const QColor ink(40, 40, 50);

// Draws on a transparent square of `size` pixels in a 16-unit coordinate system.
QPixmap paint(int size, qreal units, const Drawing& draw) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / units, size / units);
    draw(painter);
    return pixmap;
}

QIcon iconAt(const Drawing& draw, int size, qreal units) {
    QIcon icon;
    icon.addPixmap(paint(size, units, draw));
    icon.addPixmap(paint(2 * size, units, draw));
    return icon;
}

// A filled arrowhead at `tip`, pointing along the direction from `from` to `tip`.
void arrowHead(QPainter& p, QPointF from, QPointF tip, qreal length, const QColor& colour,
               qreal spread = 35) {
    QLineF back(tip, from);
    back.setLength(length);
    QLineF left = back;
    left.setAngle(back.angle() + spread);
    QLineF right = back;
    right.setAngle(back.angle() - spread);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({tip, left.p2(), right.p2()}));
}

// An arc of `circle` from `start` degrees, `span` degrees anticlockwise, ending in an arrowhead.
void arcArrow(QPainter& p, const QRectF& circle, qreal start, qreal span, const QColor& colour) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(circle, qRound(start * 16), qRound(span * 16));
    const qreal end = qDegreesToRadians(start + span);
    const qreal r = circle.width() / 2;
    const QPointF at = circle.center() + QPointF(r * std::cos(end), -r * std::sin(end));
    const QPointF along(-std::sin(end), -std::cos(end)); // the way the arc runs at its end
    arrowHead(p, at - along, at + 3 * along, 6, colour, 40);
}

// A blue arrow running round a circle.
void drawLoop(QPainter& p) {
    arcArrow(p, QRectF(2.5, 3, 11, 11), 70, 250, QColor(30, 90, 200));
}

// Two crossing arrows, as cards changing places.
void drawShuffle(QPainter& p) {
    const QColor orange(220, 110, 10);
    const QColor green(30, 140, 60);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(green, 1.8, Qt::SolidLine, Qt::FlatCap));
    QPainterPath rising;
    rising.moveTo(1, 12);
    rising.cubicTo(6, 12, 7, 4, 11.5, 4);
    p.drawPath(rising);
    arrowHead(p, QPointF(10, 4), QPointF(15, 4), 4, green);
    p.setPen(QPen(orange, 1.8, Qt::SolidLine, Qt::FlatCap));
    QPainterPath falling;
    falling.moveTo(1, 4);
    falling.cubicTo(6, 4, 7, 12, 11.5, 12);
    p.setBrush(Qt::NoBrush);
    p.drawPath(falling);
    arrowHead(p, QPointF(10, 12), QPointF(15, 12), 4, orange);
}

// A speech balloon holding the pause sign.
void drawMessage(QPainter& p) {
    QPainterPath balloon;
    balloon.addRoundedRect(QRectF(1, 1.5, 14, 10), 3, 3);
    QPainterPath tail;
    tail.moveTo(4, 10);
    tail.lineTo(3.5, 15);
    tail.lineTo(8.5, 10);
    tail.closeSubpath();
    balloon = balloon.united(tail);
    QLinearGradient fill(0, 1, 0, 12);
    fill.setColorAt(0, QColor(255, 255, 240));
    fill.setColorAt(1, QColor(255, 235, 150));
    p.setPen(QPen(ink, 1));
    p.setBrush(fill);
    p.drawPath(balloon);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(5.5, 4, 2, 5));
    p.drawRect(QRectF(8.5, 4, 2, 5));
}

// A list of lines struck out with a red cross.
void drawClear(QPainter& p) {
    p.setPen(QPen(QColor(110, 110, 130), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 11, 13));
    p.setPen(QPen(QColor(70, 110, 190), 1.2));
    for (qreal y = 4.5; y < 13; y += 2.5)
        p.drawLine(QPointF(3.5, y), QPointF(10.5, y));
    p.setPen(QPen(QColor(210, 20, 20), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7.5, 7.5), QPointF(14, 14));
    p.drawLine(QPointF(14, 7.5), QPointF(7.5, 14));
}

// The menu's open yellow folder, at half its size.
void drawLoad(QPainter& p) {
    p.scale(0.5, 0.5);
    folder_drawing::draw(p, 2.0);
}

// A floppy disk: blue case, metal shutter, white label.
void drawSave(QPainter& p) {
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.setPen(QPen(QColor(15, 30, 80), 1));
    p.setBrush(QColor(40, 80, 170));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(4, 2, 7, 4.5));
    p.setBrush(QColor(40, 80, 170));
    p.drawRect(QRectF(8.5, 2.8, 1.5, 3));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 5.5));
    p.setPen(QPen(QColor(150, 150, 170), 0.8));
    p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
    p.drawLine(QPointF(5, 12.3), QPointF(11, 12.3));
}

// A small screen with a green play sign.
void drawPreview(QPainter& p) {
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(25, 30, 45));
    p.drawRoundedRect(QRectF(0.5, 1.5, 15, 11), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(QRectF(6, 12.5, 4, 1.5));
    p.drawRect(QRectF(4, 14, 8, 1.5));
    p.setBrush(QColor(60, 210, 80));
    p.drawPolygon(QPolygonF({QPointF(6, 4), QPointF(11.5, 7), QPointF(6, 10)}));
}

// Two beamed quavers.
void drawMusic(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(1.5, 10.5, 5, 4));
    p.drawEllipse(QRectF(9.5, 9, 5, 4));
    p.setPen(QPen(ink, 1.3));
    p.drawLine(QPointF(6, 12.5), QPointF(6, 3));
    p.drawLine(QPointF(14, 11), QPointF(14, 1.5));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(5.4, 2.5), QPointF(14.6, 1), QPointF(14.6, 4), QPointF(5.4, 5.5)}));
}

const Drawing* drawingFor(const QString& key) {
    static const QList<std::pair<QString, Drawing>> drawings = {
        {"Loop", drawLoop}, {"Shuffle", drawShuffle}, {"Message", drawMessage}, {"Clear", drawClear},
        {"Load", drawLoad}, {"Save", drawSave},       {"Preview", drawPreview},
    };
    for (const auto& [name, draw] : drawings)
        if (name == key)
            return &draw;
    return nullptr;
}

// A crisp triangle of four pixel rows, 7 wide at its base, in the middle of a 9 x 9 square.
QIcon arrow(bool up, const QColor& colour) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(arrowSize() * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.scale(scale, scale);
        for (int i = 0; i < 4; ++i) {
            const int y = up ? 2 + i : 6 - i;
            p.fillRect(4 - i, y, 2 * i + 1, 1, colour);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QPixmap toolbarPixmap(const QString& key, int size) {
    const Drawing* draw = drawingFor(key);
    return draw ? paint(size, 16, *draw) : QPixmap();
}

QIcon toolbarPicture(const QString& key) {
    const Drawing* draw = drawingFor(key);
    return draw ? iconAt(*draw, 16, 16) : QIcon();
}

QIcon musicPicture() {
    return iconAt(drawMusic, 16, 16);
}

QSize arrowSize() {
    return QSize(9, 9);
}

QIcon upArrow(const QColor& colour) {
    return arrow(true, colour);
}

QIcon downArrow(const QColor& colour) {
    return arrow(false, colour);
}

QPixmap dragCursorPixmap(qreal devicePixelRatio) {
    const qreal ratio = qMax<qreal>(1.0, devicePixelRatio);
    // Drawn at the screen's pixels: 32 x 32 at scale 1 and 64 x 64 pixels at scale 2.
    QPixmap pixmap = paint(qRound(32 * ratio), 32, [](QPainter& p) {
        // The entry being carried: a dotted bar below and right of the pointer.
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawRect(QRectF(9.5, 17.5, 18, 7));
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.drawLine(QPointF(12, 21), QPointF(25, 21));
        // The pointer itself, white with a black edge so it shows on any background.
        QPainterPath pointer;
        pointer.moveTo(1, 1);
        pointer.lineTo(1, 15);
        pointer.lineTo(4.5, 11.5);
        pointer.lineTo(7, 17);
        pointer.lineTo(9, 16);
        pointer.lineTo(6.5, 10.5);
        pointer.lineTo(11, 10.5);
        pointer.closeSubpath();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawPath(pointer);
    });
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QCursor dragCursor(qreal devicePixelRatio) {
    return scaled_cursor::make(dragCursorPixmap(devicePixelRatio), QPoint(1, 1));
}

} // namespace makerart
