#include "controls/StepScrollBar.h"

#include "controls/FocusMark.h"

#include <QKeyEvent>

StepScrollBar::StepScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
    setFocusPolicy(Qt::StrongFocus);
    // The style draws no focus on a scroll bar: tabbed onto, it is framed as the lists are.
    focus_mark::attach(static_cast<QWidget&>(*this));
}

void StepScrollBar::keyPressEvent(QKeyEvent* event) {
    // A scroll bar inverts its controls so that Up, Down, the page keys and the wheel move as they
    // do over a page of text; the slider underneath applies that to Left and Right as well.
    const bool sideways = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right;
    if (sideways)
        setInvertedControls(false);
    QScrollBar::keyPressEvent(event);
    if (sideways)
        setInvertedControls(true);
}
