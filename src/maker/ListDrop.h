#pragma once

#include "controls/FileDrop.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class InsertMark;
class QListView;

// Files dropped from a file manager onto the picture list: while a drag it takes is over the list,
// the insert mark of the list's own drags shows where the files will go, in front of the entry
// under the pointer or, below the last entry, behind it. A list too full to show room below its
// last entry takes the lower half of that entry for the room behind it. Held near the list's top or
// bottom edge, the pointer scrolls the list. Connected with attach() when the window loads and
// disconnected with detach() before it goes.
class ListDrop final : public QObject {
    Q_OBJECT
public:
    ListDrop(QListView& list, FileDrop::Accepts accepts, QObject* parent = nullptr);
    ~ListDrop() override;

    void attach();
    void detach();

    // Where files dropped at `at` (the list's viewport coordinates) go: the row of the entry there,
    // or the number of entries below the last one.
    static int rowAt(const QListView& list, QPoint at);
    // The mark while it is shown, with the row it stands in front of; null and -1 otherwise.
    const InsertMark* insertMark() const;
    int markedRow() const { return markedRow_; }

signals:
    void dropped(const QStringList& paths, int row);

private:
    void showMark(QPoint at);
    void hideMark();
    // -1 near the top edge, 1 near the bottom edge, 0 elsewhere.
    int nearEdge(QPoint at) const;
    void scrollStep();

    QPointer<QListView> list_;
    FileDrop* drop_;
    QPointer<InsertMark> mark_;
    int markedRow_ = -1;
    QPoint lastAt_;
    QTimer scrollTimer_;
};
