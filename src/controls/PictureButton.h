#pragma once

#include <QPushButton>

// A large push button with its picture above a caption that wraps onto a second line when the
// button is too narrow for it, as the menu's buttons are.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QString& caption, const QPixmap& picture, QWidget* parent);

    // The font the caption is drawn with: the button's own, made smaller if the caption would not
    // fit under the picture otherwise.
    QFont captionFont() const;
    QRect captionRect() const;
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
