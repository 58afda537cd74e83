#pragma once

#include <QByteArray>
#include <QMimeData>
#include <QPoint>
#include <QStringList>

#include <memory>

class QWidget;

// A file manager's drag, delivered as the window system delivers it: to the widget's top-level
// window, which hands it to the widget under the point that takes drops (or the nearest parent that
// does). Every drag offers copy, move and link, as file managers do.
namespace file_drops {

// A uri-list naming `paths` as file URLs.
std::unique_ptr<QMimeData> files(const QStringList& paths);
// A uri-list given as its raw text.
std::unique_ptr<QMimeData> uriList(const QByteArray& text);

// The drag enters the window and moves to `at` (in `widget`'s coordinates); true when it is taken
// there, as a copy or a link. The drag stays over the window until leave() or drop(). With Shift
// held the drag proposes a move, as a file manager's does.
bool dragTo(QWidget* widget, QPoint at, const QMimeData& data, Qt::KeyboardModifiers keys = Qt::NoModifier);
void leave(QWidget* widget);
// Enters, moves to `at` and drops; true when the drop was taken as a copy or a link. The window acts
// on it once the events queued meanwhile have run.
bool drop(QWidget* widget, QPoint at, const QMimeData& data, Qt::KeyboardModifiers keys = Qt::NoModifier);

} // namespace file_drops
