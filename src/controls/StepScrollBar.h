#pragma once

#include <QScrollBar>

// A scroll bar that takes the keyboard focus and steps as the arrow keys point: Left and Up lower
// its value, Right and Down raise it. Qt's own scroll bar, given the focus, raises its value on
// Left. With the focus from the keyboard it is framed in the highlight colour (focus_mark).
class StepScrollBar : public QScrollBar {
    Q_OBJECT
public:
    StepScrollBar(Qt::Orientation orientation, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
