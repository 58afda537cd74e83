#include "maker/InsertMark.h"

#include <QPainter>

InsertMark::InsertMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName("Insert mark");
    resize(markSize());
    hide();
}

QPoint InsertMark::tip() const {
    return QPoint(x() + width() - 1, y() + height() / 2);
}

void InsertMark::pointAt(QPoint tipInParent) {
    move(qMax(0, tipInParent.x() - width() + 1), tipInParent.y() - height() / 2);
}

void InsertMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::Window).darker(300), 1));
    p.setBrush(palette().color(QPalette::Highlight));
    const qreal w = width() - 0.5;
    const qreal h = height() - 0.5;
    p.drawPolygon(QPolygonF({QPointF(0.5, 0.5), QPointF(w, h / 2), QPointF(0.5, h)}));
}
