#pragma once

#include <QWidget>

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

protected:
    void paintEvent(QPaintEvent* event) override;
};
