#include "controls/FocusMark.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace {

class Mark final : public QObject {
public:
    explicit Mark(QAbstractItemView& list) : QObject(&list), list_(list), viewport_(list.viewport()) {
        list.installEventFilter(this);
        viewport_->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &list_) {
            // The focus also leaves a list that is being destroyed, when it is a plain QWidget
            // already: only the viewport, still alive then, is asked for anything.
            if ((event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) && viewport_)
                viewport_->update();
            return false;
        }
        if (event->type() != QEvent::Paint || painting_ || !shown())
            return false;
        // The entries first, then the frame over them.
        painting_ = true;
        QCoreApplication::sendEvent(watched, event);
        painting_ = false;
        QPainter painter(viewport_);
        painter.setPen(QPen(list_.palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(viewport_->rect()).adjusted(1, 1, -1, -1));
        return true;
    }

private:
    bool shown() const {
        return list_.hasFocus() && list_.window()->testAttribute(Qt::WA_KeyboardFocusChange);
    }

    QAbstractItemView& list_;
    QPointer<QWidget> viewport_;
    bool painting_ = false;
};

} // namespace

namespace focus_mark {

void attach(QAbstractItemView& list) {
    new Mark(list);
}

} // namespace focus_mark
