#include "maker/DragList.h"
#include "maker/InsertMark.h"
#include "maker/ListMoves.h"
#include "maker/PictureListModel.h"

#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A window holding a real list over the model, placed as the maker places its list: a little room
// on its left for the insert mark, more room below it.
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
    QString order() const { return model.paths().join(""); }
    bool valuesTravelled() const {
        for (const PictureEntry& e : model.entries())
            if (e.itemData != e.path.at(0).unicode())
                return false;
        return true;
    }
    void press(QPoint at) { QTest::mousePress(viewport(), Qt::LeftButton, {}, at); }
    void moveTo(QPoint at) { QTest::mouseMove(viewport(), at); }
    void release(QPoint at) { QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at); }
    bool dragCursorShown() const {
        return viewport()->testAttribute(Qt::WA_SetCursor) &&
               viewport()->cursor().shape() == Qt::BitmapCursor;
    }
};

enum class DropAt { Entry, BelowLast, RightOfList, AboveWindow };

} // namespace

Q_DECLARE_METATYPE(DropAt)

class TestDragList : public QObject {
    Q_OBJECT

private slots:
    // `selected` -1: nothing moves and no move is reported.
    void drops_data() {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("from");
        QTest::addColumn<DropAt>("where");
        QTest::addColumn<int>("onto");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("selected");

        QTest::newRow("first of four on C") << "ABCD" << 0 << DropAt::Entry << 2 << "BACD" << 1;
        QTest::newRow("D on B") << "ABCD" << 3 << DropAt::Entry << 1 << "ADBC" << 1;
        QTest::newRow("third of five onto the first") << "ABCDE" << 2 << DropAt::Entry << 0 << "CABDE" << 0;
        QTest::newRow("first of five onto the fourth") << "ABCDE" << 0 << DropAt::Entry << 3 << "BCADE" << 2;
        QTest::newRow("onto itself") << "ABCDE" << 2 << DropAt::Entry << 2 << "ABCDE" << -1;
        QTest::newRow("onto the next") << "ABCDE" << 2 << DropAt::Entry << 3 << "ABCDE" << -1;
        QTest::newRow("below the last") << "ABCDE" << 1 << DropAt::BelowLast << 0 << "ABCDE" << -1;
        QTest::newRow("right of the list") << "ABCDE" << 1 << DropAt::RightOfList << 0 << "ABCDE" << -1;
        QTest::newRow("outside the window") << "ABCDE" << 3 << DropAt::AboveWindow << 0 << "ABCDE" << -1;
    }

    void drops() {
        QFETCH(QString, letters);
        QFETCH(int, from);
        QFETCH(DropAt, where);
        QFETCH(int, onto);
        QFETCH(QString, after);
        QFETCH(int, selected);

        Window w(letters);
        QSignalSpy moved(&w.drag, &DragList::itemMoved);
        QPoint at = w.entry(onto);
        if (where == DropAt::BelowLast)
            at = w.entry(letters.size() - 1) + QPoint(0, 40);
        else if (where == DropAt::RightOfList)
            at = QPoint(w.list->width() + 20, w.entry(0).y());
        else if (where == DropAt::AboveWindow)
            at = QPoint(w.entry(0).x(), -30);

        w.press(w.entry(from));
        QVERIFY(w.drag.dragging());
        QCOMPARE(w.drag.dragStartIndex(), from);
        QCOMPARE(selectedRow(*w.list), from);
        w.moveTo(w.entry(from) + QPoint(0, 3));
        w.moveTo(at);
        QVERIFY(w.dragCursorShown());
        w.release(at);

        QVERIFY(!w.drag.dragging());
        QCOMPARE(w.order(), after);
        QVERIFY(w.valuesTravelled());
        QCOMPARE(w.drag.insertMark(), nullptr);
        QVERIFY(!w.viewport()->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(selectedRow(*w.list), selected == -1 ? from : selected);
        QCOMPARE(moved.count(), selected == -1 ? 0 : 1);
        if (selected != -1) {
            QCOMPARE(moved.at(0).at(0).toInt(), selected);
            QCOMPARE(w.model.entry(selected).path, letters.mid(from, 1));
        }
    }

    // The mark stands left of the list and points at the gap in front of the entry under the pointer;
    // the list's selection stays on the pressed entry however the pointer wanders.
    void insertMarkFollowsThePointer() {
        Window w("ABCDE");
        w.press(w.entry(1));
        QCOMPARE(w.drag.insertMark(), nullptr);
        for (int row : {3, 0, 4}) {
            w.moveTo(w.entry(row));
            const InsertMark* mark = w.drag.insertMark();
            QVERIFY(mark);
            QCOMPARE(mark->parentWidget(), &w.window);
            QCOMPARE(w.drag.markedRow(), row);
            const int gap =
                w.viewport()->mapTo(&w.window, w.list->visualRect(w.model.index(row)).topLeft()).y();
            QCOMPARE(mark->tip().y(), gap);
            QVERIFY(mark->geometry().right() < w.list->x());
            QCOMPARE(selectedRow(*w.list), 1);
        }
        w.moveTo(w.entry(4) + QPoint(0, 40)); // below the last entry: no place, no mark
        QCOMPARE(w.drag.insertMark(), nullptr);
        QCOMPARE(w.drag.markedRow(), -1);
        w.moveTo(w.entry(3));
        QVERIFY(w.drag.insertMark());
        w.release(w.entry(3));
        QCOMPARE(w.drag.insertMark(), nullptr);
        QCOMPARE(w.order(), "ACBDE");
    }

    void escapeAndTheRightButtonCancel() {
        Window w("ABCDE");
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        QVERIFY(w.drag.insertMark());
        QTest::keyClick(w.list, Qt::Key_Escape);
        QVERIFY(!w.drag.dragging());
        QCOMPARE(w.drag.insertMark(), nullptr);
        QVERIFY(!w.viewport()->testAttribute(Qt::WA_SetCursor));
        w.release(w.entry(3));
        QCOMPARE(w.order(), "ABCDE");

        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        QTest::mousePress(w.viewport(), Qt::RightButton, {}, w.entry(3));
        QVERIFY(!w.drag.dragging());
        QCOMPARE(w.drag.insertMark(), nullptr);
        QTest::mouseRelease(w.viewport(), Qt::RightButton, {}, w.entry(3));
        w.release(w.entry(3));
        QCOMPARE(w.order(), "ABCDE");

        // The release went elsewhere: a move without the button (seen when the list tracks the
        // mouse) ends the drag, and so does the next press, which begins a drag of its own.
        w.viewport()->setMouseTracking(true);
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        const QPoint at = w.entry(2);
        QMouseEvent buttonless(QEvent::MouseMove, at, w.viewport()->mapToGlobal(at), Qt::NoButton,
                               Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.viewport(), &buttonless);
        QVERIFY(!w.drag.dragging());
        QCOMPARE(w.drag.insertMark(), nullptr);
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        w.press(w.entry(4));
        QVERIFY(w.drag.dragging());
        QCOMPARE(w.drag.dragStartIndex(), 4);
        QCOMPARE(w.drag.insertMark(), nullptr);
        w.release(w.entry(4));
        QCOMPARE(w.order(), "ABCDE");
    }

    // A press below the last entry carries nothing: no drag, and a release on an entry moves nothing,
    // although the list has a selected entry.
    void aDragBegunOutsideTheEntriesMovesNothing() {
        Window w("ABCDE");
        w.list->setCurrentIndex(w.model.index(4));
        w.press(w.entry(4) + QPoint(0, 40));
        QCOMPARE(w.drag.dragStartIndex(), -1);
        QVERIFY(!w.drag.dragging());
        w.moveTo(w.entry(0));
        QCOMPARE(w.drag.insertMark(), nullptr);
        w.release(w.entry(0));
        QCOMPARE(w.order(), "ABCDE");
    }

    // Clicks and double-clicks still reach the list: the window previews and removes through them.
    void clicksReachTheList() {
        Window w("ABCDE");
        QSignalSpy clicked(w.list, &QListView::clicked);
        QSignalSpy doubleClicked(w.list, &QListView::doubleClicked);
        QTest::mouseClick(w.viewport(), Qt::LeftButton, {}, w.entry(2));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(selectedRow(*w.list), 2);
        QTest::mouseClick(w.viewport(), Qt::LeftButton, {}, w.entry(3));
        QTest::mouseDClick(w.viewport(), Qt::LeftButton, {}, w.entry(3));
        w.release(w.entry(3));
        QCOMPARE(doubleClicked.count(), 1);
        QCOMPARE(doubleClicked.at(0).at(0).toModelIndex().row(), 3);
        QCOMPARE(w.order(), "ABCDE");
        QVERIFY(!w.drag.dragging());

        // A drop elsewhere is no click on the entry dropped on.
        clicked.clear();
        w.press(w.entry(4));
        w.moveTo(w.entry(1));
        w.release(w.entry(1));
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(w.order(), "AEBCD");
    }

    // Held below the list, the pointer keeps it scrolling without moving; held above, it scrolls back.
    void scrollsWhileHeldAboveOrBelow() {
        QString letters;
        for (int i = 0; i < 200; ++i)
            letters += QChar(0x100 + i);
        Window w(letters);
        QScrollBar* bar = w.list->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        w.press(w.entry(2));
        const QPoint below(w.entry(2).x(), w.viewport()->height() + 4);
        w.moveTo(below);
        QCOMPARE(w.drag.insertMark(), nullptr);
        QTRY_VERIFY(bar->value() >= 3); // timer ticks, the pointer still
        const int reached = bar->value();
        QTRY_VERIFY(bar->value() > reached);

        w.moveTo(QPoint(w.entry(2).x(), -4));
        const int high = bar->value();
        QTRY_VERIFY(bar->value() < high - 1);

        // Beside the list, not above or below it: no scrolling.
        w.moveTo(QPoint(w.list->width() + 30, w.viewport()->height() + 4));
        const int still = bar->value();
        const QPoint top(w.entry(2).x(), 1);
        w.moveTo(top);
        QCOMPARE(bar->value(), still);
        const int under = w.list->indexAt(top).row();
        QCOMPARE(w.drag.markedRow(), under);
        w.release(top);
        QCOMPARE(w.model.entry(under).path, QString(QChar(0x102)));
        QVERIFY(w.valuesTravelled());

        QVERIFY(DragList::scrollRows(1) == 1 && DragList::scrollRows(-7) == 1);
        QVERIFY(DragList::scrollRows(80) > 50 && DragList::scrollRows(100000) == 1000);
    }

    void detachedListDragsNothing() {
        Window w("ABCDE");
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        QVERIFY(w.drag.insertMark());
        w.drag.detach(); // a window going away in the middle of a drag
        QVERIFY(!w.drag.dragging());
        QVERIFY(!w.drag.attached());
        QVERIFY(w.window.findChildren<InsertMark*>().isEmpty());
        w.release(w.entry(3));
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        w.release(w.entry(3));
        QCOMPARE(w.order(), "ABCDE");
        QVERIFY(!w.viewport()->testAttribute(Qt::WA_SetCursor));
        w.drag.attach();
        w.press(w.entry(0));
        w.moveTo(w.entry(3));
        w.release(w.entry(3));
        QCOMPARE(w.order(), "BCADE");
    }

    void listDestroyedBeforeItsDragHandling() {
        auto w = std::make_unique<Window>("ABC");
        w->press(w->entry(0));
        w->moveTo(w->entry(2));
        delete w->list;
        w->drag.detach();
        QVERIFY(!w->drag.dragging());
    }
};

QTEST_MAIN(TestDragList)
#include "test_draglist.moc"
