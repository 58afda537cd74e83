#include "controls/FileDrop.h"

#include "platform/DroppedFiles.h"

#include <QDropEvent>
#include <QWidget>

FileDrop::FileDrop(QWidget& target, Accepts accepts, QObject* parent)
    : QObject(parent), target_(&target), accepts_(std::move(accepts)) {}

FileDrop::~FileDrop() {
    detach();
}

void FileDrop::attach() {
    if (attached_ || !target_)
        return;
    target_->setAcceptDrops(true);
    target_->installEventFilter(this);
    attached_ = true;
}

void FileDrop::detach() {
    if (!attached_)
        return;
    stop();
    if (target_) {
        target_->removeEventFilter(this);
        target_->setAcceptDrops(false);
    }
    attached_ = false;
}

bool FileDrop::takeAsCopy(QDropEvent& event) {
    for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event.possibleActions() & action) {
            event.setDropAction(action);
            event.accept();
            return true;
        }
    }
    event.ignore();
    return false;
}

void FileDrop::stop() {
    if (!taking_)
        return;
    taking_ = false;
    paths_.clear();
    emit left();
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target_)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        paths_ = enter->mimeData() ? dropped_files::localPaths(*enter->mimeData()) : QStringList();
        taking_ = !paths_.isEmpty() && accepts_(paths_) && takeAsCopy(*enter);
        if (!taking_) {
            paths_.clear();
            enter->ignore();
            return true;
        }
        emit movedOver(enter->position().toPoint());
        return true;
    }
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        if (taking_ && takeAsCopy(*move))
            emit movedOver(move->position().toPoint());
        else
            move->ignore();
        return true;
    }
    case QEvent::DragLeave:
        stop();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!taking_ || !takeAsCopy(*drop)) {
            drop->ignore();
            stop();
            return true;
        }
        const QStringList paths = paths_;
        const QPoint at = drop->position().toPoint();
        stop();
        QMetaObject::invokeMethod(
            this, [this, paths, at] { emit dropped(paths, at); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}
