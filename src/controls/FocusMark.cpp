#include "controls/FocusMark.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace {

class Mark final : public QObject {
public:
    // `surface` is where the frame is drawn: a list's viewport, or the control itself.
    Mark(QWidget& control, QWidget* surface) : QObject(&control), control_(control), surface_(surface) {
        control.installEventFilter(this);
        if (surface != &control)
            surface->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &control_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
            // The focus also leaves a list that is being destroyed, when it is a plain QWidget
            // already: only the viewport, still alive then, is asked for anything.
            if (surface_)
                surface_->update();
            return false;
        }
        if (watched != surface_ || event->type() != QEvent::Paint || painting_ || !shown())
            return false;
        // The control first, then the frame over it.
        painting_ = true;
        QCoreApplication::sendEvent(watched, event);
        painting_ = false;
        QPainter painter(surface_);
        painter.setPen(QPen(control_.palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(surface_->rect()).adjusted(1, 1, -1, -1));
        return true;
    }

private:
    bool shown() const {
        return control_.hasFocus() && control_.window()->testAttribute(Qt::WA_KeyboardFocusChange);
    }

    QWidget& control_;
    QPointer<QWidget> surface_;
    bool painting_ = false;
};

} // namespace

namespace focus_mark {

void attach(QAbstractItemView& list) {
    new Mark(list, list.viewport());
}

void attach(QWidget& control) {
    new Mark(control, &control);
}

} // namespace focus_mark
