#include "controls/MouseUpButton.h"

#include <QMouseEvent>

void MouseUpButton::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const QPoint at = event->position().toPoint();
    QPushButton::mouseReleaseEvent(event);
    emit mouseUp(button, modifiers, at);
}
