#include "maker/DragList.h"
#include "maker/InsertMark.h"
#include "maker/ListMoves.h"
#include "maker/PictureListModel.h"

#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

// A real list over the model in a window, with a little room on its left for the insert mark, as
// the maker places it. Entries are letters; each carries its letter's code as item value.
struct Window {
    QWidget window;
    PictureListModel model;
    QListView* list = new QListView(&window);
    DragList drag{*list};

    explicit Window(const QString& letters) {
        window.resize(300, 300);
        list->setGeometry(8, 10, 200, 150);
        list->setUniformItemSizes(true);
        list->setModel(&model);
        for (QChar c : letters)
            model.append(QString(c), c.unicode());
        drag.attach();
        window.show();
    }
    QWidget* viewport() const { return list->viewport(); }
    QPoint entry(int row) const { return list->visualRect(model.index(row)).center(); }
    QString order() const {
        QString letters;
        for (const PictureEntry& e : model.entries())
            letters += e.itemData == e.path.at(0).unicode() ? e.path : "?";
        return letters;
    }
    void press(QPoint at) { QTest::mousePress(viewport(), Qt::LeftButton, {}, at); }
    void moveTo(QPoint at) { QTest::mouseMove(viewport(), at); }
    void release(QPoint at) { QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at); }
    void dragAndDrop(int from, QPoint to) {
        press(entry(from));
        moveTo(to);
        release(to);
    }
    bool dragLooksOver() const {
        return !drag.dragging() && !drag.insertMark() && !viewport()->testAttribute(Qt::WA_SetCursor);
    }
};

} // namespace

class TestDragList : public QObject {
    Q_OBJECT

private slots:
    // `onto` -1: released below the last entry; -2: outside the list. `selected` -1: nothing moves.
    void drops_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("selected");
        QTest::newRow("up onto the first") << 2 << 0 << "CABDE" << 0;
        QTest::newRow("down onto the fourth") << 0 << 3 << "BCADE" << 2;
        QTest::newRow("onto itself") << 2 << 2 << "ABCDE" << -1;
        QTest::newRow("onto the next") << 2 << 3 << "ABCDE" << -1;
        QTest::newRow("below the last") << 1 << -1 << "ABCDE" << -1;
        QTest::newRow("outside the list") << 3 << -2 << "ABCDE" << -1;
    }

    void drops() {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(QString, after);
        QFETCH(int, selected);
        Window w("ABCDE");
        QSignalSpy moved(&w.drag, &DragList::itemMoved);
        const QPoint at = onto >= 0    ? w.entry(onto)
                          : onto == -1 ? w.entry(4) + QPoint(0, 40)
                                       : QPoint(250, 20);

        w.press(w.entry(from));
        QVERIFY(w.drag.dragging());
        QCOMPARE(w.drag.dragStartIndex(), from);
        w.moveTo(at);
        QCOMPARE(w.viewport()->cursor().shape(), Qt::BitmapCursor);
        w.release(at);
        QVERIFY(w.dragLooksOver());
        QCOMPARE(w.order(), after);
        QCOMPARE(selectedRow(*w.list), selected == -1 ? from : selected);
        QCOMPARE(moved.count(), selected == -1 ? 0 : 1);
        if (selected != -1)
            QCOMPARE(moved.at(0).at(0).toInt(), selected);
    }

    // The mark stands left of the list and points at the gap in front of the entry under the pointer;
    // the list's selection stays on the pressed entry wherever the pointer goes.
    void insertMarkFollowsThePointer() {
        Window w("ABCDE");
        w.press(w.entry(1));
        for (int row : {3, 0, -1, 4}) {
            w.moveTo(row >= 0 ? w.entry(row) : w.entry(4) + QPoint(0, 40));
            QCOMPARE(w.drag.markedRow(), row);
            QCOMPARE(selectedRow(*w.list), 1);
            const InsertMark* mark = w.drag.insertMark();
            QCOMPARE(mark != nullptr, row >= 0);
            if (!mark)
                continue;
            const QRect entry = w.list->visualRect(w.model.index(row));
            QCOMPARE(mark->tip().y(), w.viewport()->mapTo(&w.window, entry.topLeft()).y());
            QVERIFY(mark->parentWidget() == &w.window && mark->geometry().right() < w.list->x());
        }
        w.release(w.entry(4));
        QVERIFY(w.dragLooksOver());
        QCOMPARE(w.order(), "ACDBE");
    }

    void escapeTheRightButtonAndALostReleaseCancel() {
        Window w("ABCDE");
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        QTest::keyClick(w.list, Qt::Key_Escape);
        QVERIFY(w.dragLooksOver());
        w.release(w.entry(3));

        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        QTest::mousePress(w.viewport(), Qt::RightButton, {}, w.entry(3));
        QVERIFY(w.dragLooksOver());
        QTest::mouseRelease(w.viewport(), Qt::RightButton, {}, w.entry(3));
        w.release(w.entry(3));

        // The release went elsewhere: the next press drops the old drag and begins its own.
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        w.press(w.entry(4));
        QCOMPARE(w.drag.dragStartIndex(), 4);
        QCOMPARE(w.drag.insertMark(), nullptr);
        w.release(w.entry(4));
        QCOMPARE(w.order(), "ABCDE");
    }

    // Begun below the last entry, a drag carries nothing, although the list has a selected entry.
    void aDragBegunOutsideTheEntriesMovesNothing() {
        Window w("ABCDE");
        w.list->setCurrentIndex(w.model.index(4));
        w.press(w.entry(4) + QPoint(0, 40));
        QCOMPARE(w.drag.dragStartIndex(), -1);
        w.moveTo(w.entry(0));
        QVERIFY(w.dragLooksOver());
        w.release(w.entry(0));
        QCOMPARE(w.order(), "ABCDE");
    }

    // A drag of the selected entry that ends without a move leaves the selection as it was: no
    // selection change reaches the window, so its preview stays too. `end`: 0 Escape, 1 the right
    // button, 2 released below the last entry, 3 released outside the list.
    void aDragThatMovesNothingLeavesTheSelection_data() {
        QTest::addColumn<int>("end");
        QTest::newRow("escape") << 0;
        QTest::newRow("right button") << 1;
        QTest::newRow("below the last") << 2;
        QTest::newRow("outside the list") << 3;
    }

    void aDragThatMovesNothingLeavesTheSelection() {
        QFETCH(int, end);
        Window w("ABCDE");
        w.list->setCurrentIndex(w.model.index(1));
        QSignalSpy selections(w.list->selectionModel(), &QItemSelectionModel::selectionChanged);
        QSignalSpy currents(w.list->selectionModel(), &QItemSelectionModel::currentChanged);
        w.press(w.entry(1));
        w.moveTo(w.entry(3));
        QPoint release = w.entry(3);
        if (end == 0) {
            QTest::keyClick(w.list, Qt::Key_Escape);
        } else if (end == 1) {
            QTest::mousePress(w.viewport(), Qt::RightButton, {}, release);
            QTest::mouseRelease(w.viewport(), Qt::RightButton, {}, release);
        } else {
            release = end == 2 ? w.entry(4) + QPoint(0, 40) : QPoint(250, 20);
            w.moveTo(release);
        }
        w.moveTo(w.entry(4));
        w.moveTo(release);
        w.release(release);
        QVERIFY(w.dragLooksOver());
        QCOMPARE(w.order(), "ABCDE");
        QCOMPARE(selectedRow(*w.list), 1);
        QCOMPARE(w.list->currentIndex().row(), 1);
        QCOMPARE(selections.count(), 0);
        QCOMPARE(currents.count(), 0);
        // The next drag works as ever.
        w.dragAndDrop(1, w.entry(4));
        QCOMPARE(w.order(), "ACDBE");
    }

    // A press on no entry carries nothing and selects nothing, wherever the button is released.
    void aPressOnNoEntryLeavesTheSelection() {
        Window w("ABCDE");
        for (int selected : {1, -1}) {
            w.list->setCurrentIndex(selected >= 0 ? w.model.index(selected) : QModelIndex());
            w.list->selectionModel()->clearSelection();
            if (selected >= 0)
                w.list->selectionModel()->select(w.model.index(selected), QItemSelectionModel::Select);
            QSignalSpy selections(w.list->selectionModel(), &QItemSelectionModel::selectionChanged);
            w.press(w.entry(4) + QPoint(0, 40));
            w.moveTo(w.entry(2));
            w.moveTo(w.entry(3));
            w.release(w.entry(3));
            QCOMPARE(selectedRow(*w.list), selected);
            QCOMPARE(selections.count(), 0);
        }
        QCOMPARE(w.order(), "ABCDE");
        // A plain click on an entry still selects it.
        QTest::mouseClick(w.viewport(), Qt::LeftButton, {}, w.entry(2));
        QCOMPARE(selectedRow(*w.list), 2);
    }

    // Clicks and double-clicks still reach the list (the window previews and removes through them);
    // a drop on another entry is no click on it.
    void clicksReachTheList() {
        Window w("ABCDE");
        QSignalSpy clicked(w.list, &QListView::clicked);
        QSignalSpy doubleClicked(w.list, &QListView::doubleClicked);
        QTest::mouseClick(w.viewport(), Qt::LeftButton, {}, w.entry(3));
        QTest::mouseDClick(w.viewport(), Qt::LeftButton, {}, w.entry(3));
        w.release(w.entry(3));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(doubleClicked.count(), 1);
        w.dragAndDrop(4, w.entry(1));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(w.order(), "AEBCD");
    }

    // Held below the list, the pointer keeps it scrolling without moving; above, it scrolls back;
    // beside the list it does not scroll. The drop then lands where the pointer is.
    void scrollsWhileHeldAboveOrBelow() {
        QString letters;
        for (int i = 0; i < 200; ++i)
            letters += QChar(0x100 + i);
        Window w(letters);
        QScrollBar* bar = w.list->verticalScrollBar();
        w.press(w.entry(2));
        w.moveTo(QPoint(20, w.viewport()->height() + 4));
        QTRY_VERIFY(bar->value() >= 3);
        const int reached = bar->value();
        QTRY_VERIFY(bar->value() > reached);
        w.moveTo(QPoint(20, -4));
        const int high = bar->value();
        QTRY_VERIFY(bar->value() < high - 1);
        w.moveTo(QPoint(w.list->width() + 30, w.viewport()->height() + 4));
        const int still = bar->value();
        const QPoint top(20, 1);
        w.moveTo(top);
        QCOMPARE(bar->value(), still);
        const int under = w.list->indexAt(top).row();
        w.release(top);
        const int landed = under > 2 ? under - 1 : under;
        QCOMPARE(w.model.entry(landed).path, QString(QChar(0x102)));
        QCOMPARE(selectedRow(*w.list), landed);
        QVERIFY(!w.order().contains('?'));
        QVERIFY(DragList::scrollRows(-7) == 1 && DragList::scrollRows(80) > 50);
    }

    void detachedListDragsNothing() {
        Window w("ABCDE");
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        w.drag.detach(); // the window goes in the middle of a drag
        QVERIFY(w.dragLooksOver());
        QVERIFY(w.window.findChildren<InsertMark*>().isEmpty());
        w.release(w.entry(3));
        w.dragAndDrop(0, w.entry(3));
        QCOMPARE(w.order(), "ABCDE");
        w.drag.attach();
        w.dragAndDrop(0, w.entry(3));
        QCOMPARE(w.order(), "BCADE");
    }
};

QTEST_MAIN(TestDragList)
#include "test_draglist.moc"
