#include "maker/DragList.h"

#include "maker/InsertMark.h"
#include "maker/ListMoves.h"
#include "maker/MakerArt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>

DragList::DragList(QListView& list, QObject* parent) : QObject(parent), list_(&list), listObject_(&list) {
    scrollTimer_.setInterval(scrollInterval);
    connect(&scrollTimer_, &QTimer::timeout, this, &DragList::scrollStep);
    // However the list scrolls during a drag (our timer, the wheel), the mark follows the entries.
    connect(list.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (dragging_)
            showMark(entryAt(lastPos_));
    });
}

DragList::~DragList() {
    detach();
}

void DragList::attach() {
    if (attached_ || !list_)
        return;
    viewport_ = list_->viewport();
    viewport_->installEventFilter(this);
    list_->installEventFilter(this);
    attached_ = true;
}

void DragList::detach() {
    if (!attached_)
        return;
    if (dragging_)
        cancel();
    spent_ = false;
    if (viewport_)
        viewport_->removeEventFilter(this);
    if (list_)
        list_->removeEventFilter(this);
    delete mark_;
    attached_ = false;
}

const InsertMark* DragList::insertMark() const {
    return mark_ && mark_->isVisible() ? mark_.data() : nullptr;
}

int DragList::scrollRows(int beyond) {
    // One entry at a time near the edge, much faster further out, so that long lists can be crossed.
    const int steps = qAbs(beyond) / 8;
    return qMin(1 + steps * steps, 1000);
}

bool DragList::eventFilter(QObject* watched, QEvent* event) {
    if (forwarding_)
        return false;
    if (watched == viewport_)
        return viewportEvent(event);
    if (watched == listObject_)
        return listEvent(event);
    return false;
}

bool DragList::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_) {
            cancel();
            // The right button (or any but the left) only cancels; the list never sees it. A left
            // press means the release of the last drag went elsewhere: that drag is dropped and a
            // new one begins.
            if (mouse->button() != Qt::LeftButton)
                return true;
        }
        if (mouse->button() != Qt::LeftButton)
            return spent_;
        spent_ = false;
        if (begin(*mouse))
            return false; // the list selects the pressed entry as for any click
        // A press on no entry carries nothing and selects nothing, wherever the button goes up;
        // the list still takes the focus, as for any click.
        spent_ = true;
        if (list_)
            list_->setFocus(Qt::MouseFocusReason);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // Passed on (the window removes entries on it), but on no entry it begins nothing either.
        if (!dragging_ && entryAt(static_cast<QMouseEvent*>(event)->position().toPoint()) < 0)
            spent_ = true;
        return false;
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool held = mouse->buttons() & Qt::LeftButton;
        if (spent_) {
            spent_ = held;
            return held;
        }
        if (!dragging_)
            return false;
        if (!held) {
            cancel(); // the release went elsewhere
            spent_ = false;
        } else {
            dragTo(mouse->position().toPoint());
        }
        // Swallowed: the list would move its selection with the pointer and the wrong entry would move.
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (spent_) {
            spent_ = spent_ && mouse->button() != Qt::LeftButton;
            return true;
        }
        if (!dragging_ || mouse->button() != Qt::LeftButton)
            return dragging_;
        drop(mouse);
        return true;
    }
    case QEvent::Hide:
        if (dragging_)
            cancel();
        return false;
    default:
        return false;
    }
}

bool DragList::listEvent(QEvent* event) {
    if (!dragging_)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            cancel();
        return true; // no key moves the selection in the middle of a drag
    case QEvent::KeyRelease:
        return true;
    case QEvent::FocusOut:
    case QEvent::Hide:
        cancel();
        return false;
    default:
        return false;
    }
}

bool DragList::begin(const QMouseEvent& press) {
    const QPoint pos = press.position().toPoint();
    DragStartIndex = entryAt(pos);
    if (DragStartIndex < 0)
        return false; // outside the entries there is nothing to carry
    startEntry_ = list_->model()->index(DragStartIndex, 0);
    lastPos_ = pos;
    dragging_ = true;
    return true;
}

void DragList::dragTo(QPoint pos) {
    lastPos_ = pos;
    if (!cursorShown_) {
        viewport_->setCursor(makerart::dragCursor(viewport_->devicePixelRatioF()));
        cursorShown_ = true;
    }
    if (beyondEdge(pos) == 0) {
        scrollTimer_.stop();
    } else if (!scrollTimer_.isActive()) {
        scrollStep();
        scrollTimer_.start();
    }
    showMark(entryAt(pos));
}

void DragList::drop(QMouseEvent* release) {
    const int target = entryAt(release->position().toPoint());
    const QPersistentModelIndex start = startEntry_;
    end();

    // A release on the pressed entry is a click on it: the list sees it and finishes its click as
    // without a drag. Anywhere else the list never sees it, since a list whose pressed entry was
    // already selected would take a release elsewhere as a new choice (nothing, below the entries).
    if (target < 0 || !start.isValid() || target == start.row() || !list_) {
        if (start.isValid() && target == start.row()) {
            forwarding_ = true;
            QCoreApplication::sendEvent(viewport_, release);
            forwarding_ = false;
        }
        return;
    }
    // The pressed entry is the one that moves, whatever became of the selection meanwhile.
    if (selectedRow(*list_) != start.row())
        list_->selectionModel()->setCurrentIndex(start, QItemSelectionModel::ClearAndSelect);
    if (MoveItemTo(*list_, target))
        emit itemMoved(selectedRow(*list_));
}

void DragList::cancel() {
    end();
    // The button is still down: until it goes up, the list must not take the pointer's moves as a
    // choice of entries.
    spent_ = true;
}

void DragList::end() {
    dragging_ = false;
    scrollTimer_.stop();
    showMark(-1);
    if (viewport_ && cursorShown_)
        viewport_->unsetCursor();
    cursorShown_ = false;
    startEntry_ = QPersistentModelIndex();
}

int DragList::entryAt(QPoint pos) const {
    if (!list_ || !viewport_ || !viewport_->rect().contains(pos))
        return -1;
    const QModelIndex index = list_->indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

int DragList::beyondEdge(QPoint pos) const {
    // Only straight above or below the list, as the pointer leaves it through its top or bottom.
    const QPoint inList = viewport_->mapTo(list_, pos);
    if (inList.x() < 0 || inList.x() >= list_->width())
        return 0;
    if (pos.y() < 0)
        return pos.y() - 1;
    if (pos.y() >= viewport_->height())
        return pos.y() - viewport_->height() + 1;
    return 0;
}

void DragList::scrollStep() {
    const int beyond = dragging_ ? beyondEdge(lastPos_) : 0;
    if (beyond == 0) {
        scrollTimer_.stop();
        return;
    }
    QScrollBar* bar = list_->verticalScrollBar();
    const int rows = scrollRows(beyond);
    bar->setValue(bar->value() + (beyond < 0 ? -rows : rows) * bar->singleStep());
}

void DragList::showMark(int row) {
    markedRow_ = row;
    QWidget* window = list_ ? list_->parentWidget() : nullptr;
    if (row < 0 || !window) {
        markedRow_ = -1;
        if (mark_)
            mark_->hide();
        return;
    }
    if (!mark_)
        mark_ = new InsertMark(window);
    mark_->showBeside(*list_, row);
}
