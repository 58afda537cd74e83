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

void PictureBox::setCrossHair(std::optional<QPoint> at) {
    if (at == crossHair_)
        return;
    crossHair_ = at;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        const QRect inner = contentsRect();
        p.fillRect(inner, colour::toQColor(backColour_).value_or(Qt::black));
        p.drawImage(inner.topLeft(), canvas_);
        if (crossHair_) {
            // Four short arms, black edged in white, leaving the pixel itself to be seen.
            const QPoint c = inner.topLeft() + *crossHair_;
            p.setClipRect(inner);
            for (const auto& [pen, width] :
                 {std::pair{QColor(Qt::white), 3}, std::pair{QColor(Qt::black), 1}}) {
                p.setPen(QPen(pen, width, Qt::SolidLine, Qt::FlatCap));
                p.drawLine(c + QPoint(-6, 0), c + QPoint(-2, 0));
                p.drawLine(c + QPoint(2, 0), c + QPoint(6, 0));
                p.drawLine(c + QPoint(0, -6), c + QPoint(0, -2));
                p.drawLine(c + QPoint(0, 2), c + QPoint(0, 6));
            }
        }
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
