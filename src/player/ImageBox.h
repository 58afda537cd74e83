#pragma once

#include <QImage>
#include <QWidget>

// The player's picture: drawn into whatever rectangle it is given, which may reach past the screen
// on any side. A picture decoded at the rectangle's size in device pixels is copied pixel for pixel,
// which keeps one-pixel detail on a scaled screen; any other is scaled smoothly. Mouse events go to
// the window beneath it.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent);

    // `label` names the picture in the paint log.
    void setPicture(QImage image, const QString& label = QString());
    const QImage& picture() const { return image_; }
    // False from a new picture until it has been painted once.
    bool isPainted() const { return painted_; }
    // A paint of the new picture is still to come: it has pixels, and some of it lies on the part of
    // the window that is not cut off. An empty picture or one placed at no width never paints.
    bool awaitsPaint() const;
    // The picture has the box's size in device pixels and is painted without scaling.
    bool isDeviceSized() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QString label_;
    bool painted_ = true;
};
