#pragma once

#include <QImage>
#include <QWidget>

// The player's picture: drawn scaled into whatever rectangle it is given, which may reach past the
// screen on any side. Mouse events go to the window beneath it.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent);

    // `label` names the picture in the paint log.
    void setPicture(QImage image, const QString& label = QString());
    const QImage& picture() const { return image_; }
    // False from a new picture until it has been painted once.
    bool isPainted() const { return painted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QString label_;
    bool painted_ = true;
};
