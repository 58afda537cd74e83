#pragma once

#include <QWidget>

class QListView;

// The arrow beside a dragged-over list entry that shows where a drop puts the dragged entry: it stands
// left of the list, in the list's parent window, and points at the gap above the entry.
class InsertMark final : public QWidget {
    Q_OBJECT

public:
    explicit InsertMark(QWidget* parent);

    static QSize markSize() { return {8, 11}; }
    // The point of the arrow, in the parent's coordinates.
    QPoint tip() const;
    void pointAt(QPoint tipInParent);
    // Shows the mark at the gap in front of entry `row` of `list`, or behind the last entry for a
    // row past it, kept within the list's visible part. `list` stands in this mark's parent.
    void showBeside(const QListView& list, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
};
