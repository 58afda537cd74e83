#include "controls/PictureBox.h"

#include "show/Colour.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(FrameWidth);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setBackColour(qint32 colour) {
    backColour_ = colour;
    hasPicture_ = false;
    const QSize inner = innerSize().expandedTo(QSize(1, 1));
    canvas_ = QImage(inner, QImage::Format_RGB32);
    canvas_.fill(colour::toQColor(colour).value_or(Qt::black));
    update();
}

void PictureBox::setCanvas(const QImage& image) {
    canvas_ = image;
    hasPicture_ = true;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        const QRect inner = contentsRect();
        p.fillRect(inner, colour::toQColor(backColour_).value_or(Qt::black));
        p.drawImage(inner.topLeft(), canvas_);
    }
    QFrame::paintEvent(event); // the frame
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (!hasPicture_ && canvas_.size() != innerSize())
        setBackColour(backColour_);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint inner = event->position().toPoint() - contentsRect().topLeft();
    emit pointerMoved(event->buttons(), event->modifiers(), inner);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}
