#include "maker/InsertMark.h"

#include <QListView>
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

void InsertMark::showBeside(const QListView& list, int row) {
    const QAbstractItemModel* model = list.model();
    const int count = model ? model->rowCount() : 0;
    const QWidget* viewport = list.viewport();
    int top = 0;
    if (row < count)
        top = list.visualRect(model->index(row, 0)).top();
    else if (count > 0)
        top = list.visualRect(model->index(count - 1, 0)).bottom() + 1;
    top = qBound(0, top, qMax(0, viewport->height() - 1));
    const QPoint gap = viewport->mapTo(parentWidget(), QPoint(0, top));
    const QPoint frameLeft = list.mapTo(parentWidget(), QPoint(0, 0));
    pointAt(QPoint(frameLeft.x() - 1, gap.y()));
    raise();
    show();
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
