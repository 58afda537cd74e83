#include "player/ImageBox.h"

#include <QLoggingCategory>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

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

bool ImageBox::isDeviceSized() const {
    // The box's size is whole logical pixels: on a fractional scale it may be up to a device pixel
    // off the picture's own rounding.
    const double ratio = devicePixelRatioF();
    const double slack = 0.5 * ratio + 0.5;
    return std::abs(image_.width() - width() * ratio) < slack &&
           std::abs(image_.height() - height() * ratio) < slack;
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
    if (isDeviceSized()) {
        // One unit a device pixel, so that the picture is copied as it is. Giving the picture the
        // screen's ratio instead would copy all its pixels first (QImage detaches for that).
        const double ratio = devicePixelRatioF();
        painter.scale(1 / ratio, 1 / ratio);
        painter.drawImage(QPointF(0, 0), image_);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image_);
}
