#pragma once

#include <QPushButton>

// A large push button with its picture above a caption that wraps onto a second line when the
// button is too narrow for it, as the menu's buttons are.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    using Drawing = QPixmap (*)();

    // The picture is drawn when the button is first shown: a window that is made but never shown
    // (the menu behind a show from the command line) has no pictures to draw.
    PictureButton(const QString& caption, Drawing picture, QWidget* parent);

    // The font the caption is drawn with: the button's own, made smaller if the caption would not
    // fit under the picture otherwise.
    QFont captionFont() const;
    QRect captionRect() const;
    QRect pictureRect() const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Drawing picture_;
};
