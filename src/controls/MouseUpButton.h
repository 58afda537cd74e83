#pragma once

#include <QPushButton>

// A push button that also reports where the mouse button was released over it, after the button
// has taken the release (a toggle button has changed its state by then). The keyboard does not
// report here.
class MouseUpButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

signals:
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
