#include "FileDrops.h"

#include <QApplication>
#include <QDropEvent>
#include <QUrl>
#include <QWidget>
#include <QWindow>

namespace file_drops {

namespace {

constexpr Qt::DropActions Offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

QWindow* windowOf(QWidget* widget) {
    QWidget* top = widget->window();
    if (!top->windowHandle())
        qFatal("drop on a window that was never shown");
    return top->windowHandle();
}

QPoint inWindow(QWidget* widget, QPoint at) {
    return widget->mapTo(widget->window(), at);
}

} // namespace

std::unique_ptr<QMimeData> files(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> uriList(const QByteArray& text) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/uri-list"), text);
    return data;
}

bool dragTo(QWidget* widget, QPoint at, const QMimeData& data, Qt::KeyboardModifiers keys) {
    const QPoint p = inWindow(widget, at);
    QDragEnterEvent enter(p, Offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(windowOf(widget), &enter);
    QDragMoveEvent move(p, Offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(windowOf(widget), &move);
    return move.isAccepted() && move.dropAction() != Qt::MoveAction;
}

void leave(QWidget* widget) {
    QDragLeaveEvent leaving;
    QApplication::sendEvent(windowOf(widget), &leaving);
}

bool drop(QWidget* widget, QPoint at, const QMimeData& data, Qt::KeyboardModifiers keys) {
    if (!dragTo(widget, at, data, keys)) {
        leave(widget);
        return false;
    }
    QDropEvent dropping(inWindow(widget, at), Offered, &data, Qt::LeftButton, keys);
    if (keys & Qt::ShiftModifier && dropping.proposedAction() != Qt::MoveAction)
        qFatal("a drop with Shift held proposes no move here: the test would prove nothing");
    QApplication::sendEvent(windowOf(widget), &dropping);
    QCoreApplication::processEvents();
    return dropping.isAccepted() && dropping.dropAction() != Qt::MoveAction;
}

} // namespace file_drops
