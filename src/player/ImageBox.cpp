#include "player/ImageBox.h"

#include <QPaintEvent>
#include <QPainter>

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageBox::setPicture(QImage image) {
    image_ = std::move(image);
    update();
}

void ImageBox::paintEvent(QPaintEvent* event) {
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(event->rect());
    if (image_.size() == size()) {
        painter.drawImage(0, 0, image_);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image_);
}
