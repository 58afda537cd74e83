#include "controls/FocusMark.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>

namespace {

class Mark final : public QObject {
public:
    explicit Mark(QAbstractItemView& list) : QObject(&list), list_(list) {
        list.installEventFilter(this);
        list.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &list_) {
            if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
                list_.viewport()->update();
            return false;
        }
        if (event->type() != QEvent::Paint || painting_ || !shown())
            return false;
        // The entries first, then the frame over them.
        painting_ = true;
        QCoreApplication::sendEvent(watched, event);
        painting_ = false;
        QPainter painter(list_.viewport());
        painter.setPen(QPen(list_.palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(list_.viewport()->rect()).adjusted(1, 1, -1, -1));
        return true;
    }

private:
    bool shown() const {
        return list_.hasFocus() && list_.window()->testAttribute(Qt::WA_KeyboardFocusChange);
    }

    QAbstractItemView& list_;
    bool painting_ = false;
};

} // namespace

namespace focus_mark {

void attach(QAbstractItemView& list) {
    new Mark(list);
}

} // namespace focus_mark
