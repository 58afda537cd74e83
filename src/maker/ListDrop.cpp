#include "maker/ListDrop.h"

#include "maker/InsertMark.h"

#include <QListView>
#include <QScrollBar>

namespace {

constexpr int ScrollInterval = 50; // ms

} // namespace

ListDrop::ListDrop(QListView& list, FileDrop::Accepts accepts, QObject* parent)
    : QObject(parent), list_(&list), drop_(new FileDrop(*list.viewport(), std::move(accepts), this)) {
    scrollTimer_.setInterval(ScrollInterval);
    connect(&scrollTimer_, &QTimer::timeout, this, &ListDrop::scrollStep);
    connect(drop_, &FileDrop::movedOver, this, &ListDrop::showMark);
    connect(drop_, &FileDrop::left, this, &ListDrop::hideMark);
    connect(drop_, &FileDrop::dropped, this, [this](const QStringList& paths, QPoint at) {
        if (list_)
            emit dropped(paths, rowAt(*list_, at));
    });
}

ListDrop::~ListDrop() {
    detach();
}

void ListDrop::attach() {
    drop_->attach();
}

void ListDrop::detach() {
    drop_->detach();
    delete mark_;
}

int ListDrop::rowAt(const QListView& list, QPoint at) {
    QModelIndex index = list.indexAt(at);
    if (!index.isValid()) // beside a short entry rather than on it
        index = list.indexAt(QPoint(0, at.y()));
    const int count = list.model() ? list.model()->rowCount() : 0;
    if (!index.isValid())
        return count;
    if (index.row() == count - 1) {
        const QRect last = list.visualRect(index);
        const bool roomBelow = list.viewport()->height() - (last.bottom() + 1) >= last.height() / 2;
        if (!roomBelow && at.y() > last.center().y())
            return count;
    }
    return index.row();
}

const InsertMark* ListDrop::insertMark() const {
    return mark_ && mark_->isVisible() ? mark_.data() : nullptr;
}

void ListDrop::showMark(QPoint at) {
    QWidget* window = list_ ? list_->parentWidget() : nullptr;
    if (!window)
        return;
    if (!mark_)
        mark_ = new InsertMark(window);
    lastAt_ = at;
    markedRow_ = rowAt(*list_, at);
    mark_->showBeside(*list_, markedRow_);
    if (nearEdge(at) == 0)
        scrollTimer_.stop();
    else if (!scrollTimer_.isActive())
        scrollTimer_.start();
}

void ListDrop::hideMark() {
    scrollTimer_.stop();
    markedRow_ = -1;
    if (mark_)
        mark_->hide();
}

int ListDrop::nearEdge(QPoint at) const {
    const int edge = qMax(4, list_->sizeHintForRow(0) / 2);
    if (at.y() < edge)
        return -1;
    return at.y() >= list_->viewport()->height() - edge ? 1 : 0;
}

void ListDrop::scrollStep() {
    const int direction = list_ && drop_->hovering() ? nearEdge(lastAt_) : 0;
    if (direction == 0) {
        scrollTimer_.stop();
        return;
    }
    QScrollBar* bar = list_->verticalScrollBar();
    bar->setValue(bar->value() + direction * bar->singleStep());
    showMark(lastAt_);
}
