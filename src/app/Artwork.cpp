#include "app/Artwork.h"

#include "controls/FolderDrawing.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace artwork {

namespace {

const QColor outline(60, 45, 10);

QPixmap transparent(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void beginSmooth(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A page with a folded top-right corner inside `rect`, with `lines` lines of writing.
void drawPage(QPainter& painter, const QRectF& rect, int lines) {
    const qreal fold = rect.width() * 0.28;
    QPainterPath page;
    page.moveTo(rect.topLeft());
    page.lineTo(rect.right() - fold, rect.top());
    page.lineTo(rect.right(), rect.top() + fold);
    page.lineTo(rect.bottomRight());
    page.lineTo(rect.bottomLeft());
    page.closeSubpath();
    QLinearGradient paper(rect.topLeft(), rect.bottomRight());
    paper.setColorAt(0, Qt::white);
    paper.setColorAt(1, QColor(225, 230, 240));
    painter.setPen(QPen(QColor(90, 100, 120), 1));
    painter.setBrush(paper);
    painter.drawPath(page);

    QPainterPath corner;
    corner.moveTo(rect.right() - fold, rect.top());
    corner.lineTo(rect.right() - fold, rect.top() + fold);
    corner.lineTo(rect.right(), rect.top() + fold);
    corner.closeSubpath();
    painter.setBrush(QColor(200, 208, 222));
    painter.drawPath(corner);

    painter.setPen(QPen(QColor(70, 110, 190), 1.2, Qt::SolidLine, Qt::RoundCap));
    const qreal left = rect.left() + 3;
    const qreal step = (rect.height() - fold - 4) / lines;
    for (int i = 0; i < lines; ++i) {
        const qreal y = rect.top() + fold + 1 + step * i;
        // Ragged line ends make it read as handwriting rather than a grid.
        const qreal right = rect.right() - 3 - ((i * 5) % 7);
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }
}

void drawPencil(QPainter& painter) {
    painter.save();
    painter.translate(23, 20);
    painter.rotate(45);
    // Drawn lying along the x axis, tip to the right, then turned to point down and right.
    const qreal half = 2.6;
    QLinearGradient body(0, -half, 0, half);
    body.setColorAt(0, QColor(255, 215, 60));
    body.setColorAt(1, QColor(220, 150, 0));
    painter.setPen(QPen(outline, 0.8));
    painter.setBrush(body);
    painter.drawRect(QRectF(-11, -half, 15, half * 2));
    painter.setBrush(QColor(235, 120, 140));
    painter.drawRect(QRectF(-14, -half, 3, half * 2));
    painter.setBrush(QColor(180, 180, 190));
    painter.drawRect(QRectF(-11.8, -half, 1.6, half * 2));

    QPainterPath wood;
    wood.moveTo(4, -half);
    wood.lineTo(9, 0);
    wood.lineTo(4, half);
    wood.closeSubpath();
    painter.setBrush(QColor(240, 205, 160));
    painter.drawPath(wood);
    QPainterPath lead;
    lead.moveTo(7.3, -0.9);
    lead.lineTo(9, 0);
    lead.lineTo(7.3, 0.9);
    lead.closeSubpath();
    painter.setBrush(QColor(40, 40, 40));
    painter.drawPath(lead);
    painter.restore();
}

void drawReel(QPainter& painter, const QPointF& centre, qreal radius) {
    QRadialGradient metal(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    metal.setColorAt(0, QColor(200, 205, 215));
    metal.setColorAt(1, QColor(90, 95, 110));
    painter.setPen(QPen(QColor(30, 30, 40), 0.9));
    painter.setBrush(metal);
    painter.drawEllipse(centre, radius, radius);
    // Three holes between the spokes, like the reels of a real projector.
    painter.setBrush(QColor(40, 40, 55));
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const qreal angle = (i * 120 - 90) * M_PI / 180.0;
        const QPointF hole = centre + QPointF(std::cos(angle), std::sin(angle)) * radius * 0.52;
        painter.drawEllipse(hole, radius * 0.27, radius * 0.27);
    }
    painter.setBrush(QColor(240, 240, 245));
    painter.drawEllipse(centre, radius * 0.14, radius * 0.14);
}

// The projector in a 32 x 32 square; callers scale the painter for other sizes.
void drawProjector(QPainter& painter) {
    // Film running from one reel to the other behind the body.
    painter.setPen(QPen(QColor(30, 30, 40), 1.1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(8.5, 10), QPointF(13, 16));
    painter.drawLine(QPointF(21.5, 10), QPointF(17, 16));

    drawReel(painter, QPointF(8.5, 9), 6.8);
    drawReel(painter, QPointF(21.5, 9), 6.8);

    // The beam first, so the lens sits on top of it.
    QLinearGradient beam(25, 0, 32, 0);
    beam.setColorAt(0, QColor(255, 245, 170, 200));
    beam.setColorAt(1, QColor(255, 245, 170, 0));
    QPainterPath light;
    light.moveTo(27, 20.2);
    light.lineTo(32, 16.5);
    light.lineTo(32, 27.5);
    light.lineTo(27, 23.8);
    light.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(beam);
    painter.drawPath(light);

    QLinearGradient lens(0, 19, 0, 25);
    lens.setColorAt(0, QColor(150, 155, 170));
    lens.setColorAt(0.5, QColor(60, 62, 75));
    lens.setColorAt(1, QColor(25, 25, 35));
    painter.setPen(QPen(QColor(15, 15, 20), 0.8));
    painter.setBrush(lens);
    painter.drawRoundedRect(QRectF(21, 19.2, 6.5, 5.6), 1, 1);
    painter.setBrush(QColor(150, 200, 255));
    painter.drawEllipse(QRectF(26.2, 19.8, 1.8, 4.4));

    QLinearGradient body(0, 15, 0, 29);
    body.setColorAt(0, QColor(110, 115, 130));
    body.setColorAt(1, QColor(45, 47, 58));
    painter.setPen(QPen(QColor(15, 15, 20), 1));
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(3, 15.5, 19, 12), 2, 2);
    // A small window with the lamp's glow, and the feet.
    painter.setBrush(QColor(255, 200, 80));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(6, 19, 5, 2.2), 0.8, 0.8);
    painter.setBrush(QColor(25, 25, 30));
    painter.drawRect(QRectF(5, 27.5, 3, 2.5));
    painter.drawRect(QRectF(17, 27.5, 3, 2.5));
}

} // namespace

QPixmap folderIcon() {
    QPixmap pixmap = transparent(32, 32);
    QPainter painter(&pixmap);
    beginSmooth(painter);
    folder_drawing::draw(painter);
    return pixmap;
}

QPixmap makeIcon() {
    QPixmap pixmap = transparent(32, 32);
    QPainter painter(&pixmap);
    beginSmooth(painter);
    drawPage(painter, QRectF(4.5, 2.5, 20, 27), 5);
    drawPencil(painter);
    return pixmap;
}

QPixmap openIcon() {
    QPixmap pixmap = transparent(32, 32);
    QPainter painter(&pixmap);
    beginSmooth(painter);
    drawPage(painter, QRectF(11.5, 1.5, 18, 22), 4);
    painter.translate(0, 8);
    painter.scale(0.78, 0.75);
    folder_drawing::draw(painter);
    return pixmap;
}

QPixmap aboutIcon() {
    QPixmap pixmap = transparent(32, 32);
    QPainter painter(&pixmap);
    beginSmooth(painter);
    QRadialGradient disc(QPointF(12, 10), 20);
    disc.setColorAt(0, QColor(60, 100, 200));
    disc.setColorAt(1, QColor(10, 30, 110));
    painter.setPen(QPen(QColor(5, 15, 60), 1));
    painter.setBrush(disc);
    painter.drawEllipse(QRectF(1.5, 1.5, 29, 29));

    // Drawn as shapes rather than a font's letter, so it looks the same on every system.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(16, 9), 2.4, 2.4);
    QPainterPath stem;
    stem.moveTo(13, 13.5);
    stem.lineTo(18, 13.5);
    stem.lineTo(18, 23);
    stem.lineTo(20, 23);
    stem.lineTo(20, 25);
    stem.lineTo(12, 25);
    stem.lineTo(12, 23);
    stem.lineTo(14, 23);
    stem.lineTo(14, 15.5);
    stem.lineTo(13, 15.5);
    stem.closeSubpath();
    painter.drawPath(stem);
    return pixmap;
}

void paintProjector(QPainter& painter, qreal size) {
    painter.save();
    beginSmooth(painter);
    painter.scale(size / 32.0, size / 32.0);
    drawProjector(painter);
    painter.restore();
}

QPixmap projectorIcon(int size) {
    QPixmap pixmap = transparent(size, size);
    QPainter painter(&pixmap);
    paintProjector(painter, size);
    return pixmap;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(projectorIcon(size));
    return icon;
}

QPixmap banner() {
    QPixmap pixmap(238, 49);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    beginSmooth(painter);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(40);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("10. Lumora"));

    // Fit the letters into the strip whatever font the system gave us, keeping their proportions.
    const QRectF room = QRectF(pixmap.rect()).adjusted(8, 6, -8, -6);
    const QRectF bounds = text.boundingRect();
    if (bounds.isEmpty())
        return pixmap;
    const qreal scale = std::min(room.width() / bounds.width(), room.height() / bounds.height());
    painter.translate(room.center());
    painter.scale(scale, scale);
    painter.translate(-bounds.center());
    painter.setPen(QPen(Qt::white, 1.4 / scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(text);
    return pixmap;
}

} // namespace artwork
