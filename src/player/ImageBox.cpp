#include "player/ImageBox.h"

#include <QLoggingCategory>
#include <QPaintEvent>
#include <QPainter>

// One line for each picture as it first reaches the screen; enable with
// QT_LOGGING_RULES="lumora.paint.info=true".
Q_LOGGING_CATEGORY(lcPaint, "lumora.paint", QtWarningMsg)

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageBox::setPicture(QImage image, const QString& label) {
    image_ = std::move(image);
    label_ = label;
    painted_ = false;
    update();
}

bool ImageBox::awaitsPaint() const {
    return !painted_ && !image_.isNull() && isVisible() && !visibleRegion().isEmpty();
}

void ImageBox::paintEvent(QPaintEvent* event) {
    if (!painted_) {
        painted_ = true;
        qCInfo(lcPaint, "painted %s", qUtf8Printable(label_));
    }
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
