#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class InsertMark;
class QKeyEvent;
class QListView;
class QMouseEvent;

// Drag reordering of a picture list with the mouse. A left press on an entry begins a drag; while
// the button is held, an insert mark beside the entry under the pointer shows where the entry will
// go, and the list scrolls as long as the pointer is held above or below it. Releasing over another
// entry moves the pressed entry in front of it (MoveItemTo); releasing over the pressed entry, the
// one below it, below the last entry or outside the list changes nothing, the selection included.
// Escape and the right button cancel. A press on no entry carries nothing and selects nothing.
// Built on the list's own mouse events, watched from outside, so the handling is connected with
// attach() when the window loads and disconnected with detach() before it goes.
class DragList final : public QObject {
    Q_OBJECT

public:
    explicit DragList(QListView& list, QObject* parent = nullptr);
    ~DragList() override;

    void attach();
    void detach();
    bool attached() const { return attached_; }

    bool dragging() const { return dragging_; }
    // The entry under the pointer when the last drag began, -1 when it began outside the entries.
    int dragStartIndex() const { return DragStartIndex; }
    // The mark while it is shown, with the entry it stands beside; null and -1 otherwise.
    const InsertMark* insertMark() const;
    int markedRow() const { return markedRow_; }

    // Rows the list scrolls by per scroll tick, `beyond` pixels past its top or bottom edge.
    static int scrollRows(int beyond);
    static constexpr int scrollInterval = 50; // ms

signals:
    // An entry was dropped in a new place; `row` is where it stands now, selected.
    void itemMoved(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool viewportEvent(QEvent* event);
    bool listEvent(QEvent* event);
    // False when the press is on no entry: there is nothing to carry.
    bool begin(const QMouseEvent& press);
    void dragTo(QPoint pos);
    void drop(QMouseEvent* release);
    void cancel();
    void end();

    int entryAt(QPoint pos) const;
    int beyondEdge(QPoint pos) const; // < 0 above the list, > 0 below it, 0 elsewhere
    void scrollStep();
    void showMark(int row);

    QPointer<QListView> list_;
    // The list as a plain object, to recognise its events: the last ones come while it is being
    // destroyed, when it is no longer a QListView that `list_` could hand out.
    const QObject* listObject_;
    QPointer<QWidget> viewport_;
    QPointer<InsertMark> mark_;
    QTimer scrollTimer_;
    QPersistentModelIndex startEntry_;
    int DragStartIndex = -1;
    int markedRow_ = -1;
    QPoint lastPos_;
    bool attached_ = false;
    bool dragging_ = false;
    bool forwarding_ = false;
    // A drag that ended (or a press on no entry) while the left button is still down: its moves and
    // release reach no one.
    bool spent_ = false;
    bool cursorShown_ = false;
};
