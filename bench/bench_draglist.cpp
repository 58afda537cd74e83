// Times the maker's picture list at its largest: adding many files at once, one drag step over
// 100,000 entries (pointer move, insert mark, repaint), a scroll step while the pointer is held below
// the list, and a drop that moves the last entry to the top.
//   build/bench/bench_draglist [entries]     (QT_QPA_PLATFORM=offscreen when there is no display)

#include "maker/DragList.h"
#include "maker/ListMoves.h"
#include "maker/PictureListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Figures {
    double median = 0;
    double worst = 0;
};

// Runs `step` `times` times, letting the window lay out and paint after each; milliseconds.
Figures time(int times, const std::function<void(int)>& step) {
    std::vector<double> ms;
    QElapsedTimer clock;
    for (int i = 0; i < times; ++i) {
        clock.start();
        step(i);
        QCoreApplication::processEvents();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void report(const char* what, const Figures& f) {
    std::printf("%-46s median %7.3f ms   worst %7.3f ms\n", what, f.median, f.worst);
}

QStringList paths(int count, int from = 0) {
    QStringList result;
    result.reserve(count);
    for (int i = from; i < from + count; ++i)
        result
            << QStringLiteral("/home/user/Pictures/Holiday 2026/camera/IMG_%1.JPG").arg(i, 6, 10, QChar('0'));
    return result;
}

// Counts the window's paint events, to show that every step reaches the screen.
struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::UpdateRequest ? 1 : 0;
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;

    // The maker's list: 229 x 108 pixels, a little room on its left for the insert mark.
    QWidget window;
    window.resize(406, 500);
    PictureListModel model;
    auto* list = new QListView(&window);
    list->setGeometry(8, 348, 229, 108);
    list->setUniformItemSizes(true);
    list->setModel(&model);
    DragList drag(*list);
    drag.attach();
    window.show();
    QCoreApplication::processEvents();

    report("ADD of 10,000 files (one insertion, shown)", time(5, [&](int i) {
               model.clear();
               model.appendPaths(paths(10000, i));
           }));
    model.clear();
    report(qPrintable(QStringLiteral("append of %1 entries (shown)").arg(entries)), time(3, [&](int) {
               model.clear();
               model.appendPaths(paths(entries));
           }));

    QWidget* viewport = list->viewport();
    list->scrollTo(model.index(entries / 2), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    const int top = list->indexAt(QPoint(5, 2)).row();
    auto at = [&](int row) { return list->visualRect(model.index(row)).center(); };

    PaintCounter paints;
    window.installEventFilter(&paints);
    QTest::mousePress(viewport, Qt::LeftButton, {}, at(top + 1));
    report("drag step (move over the next entry, mark, paint)",
           time(2000, [&](int i) { QTest::mouseMove(viewport, at(top + i % 5) + QPoint(0, i % 3)); }));
    std::printf("  (%d paints of the window in 2000 steps)\n", paints.count);
    const QPoint below(at(top).x(), viewport->height() + 30);
    const QPoint inside = at(top + 2);
    int scrolled = list->verticalScrollBar()->value();
    report("scroll step (pointer held below the list)",
           time(200, [&](int i) { QTest::mouseMove(viewport, i % 2 ? inside : below); }));
    scrolled = list->verticalScrollBar()->value() - scrolled;
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    std::printf("  (scrolled %d rows in 100 steps)\n", scrolled);

    report("drop: last entry moved to the top", time(20, [&](int) {
               list->setCurrentIndex(model.index(entries - 1));
               MoveItemTo(*list, 0);
           }));
    report("drop by mouse (press, move, release)", time(50, [&](int i) {
               const int row = list->indexAt(QPoint(5, 2)).row();
               QTest::mousePress(viewport, Qt::LeftButton, {}, at(row + 3 + i % 2));
               QTest::mouseMove(viewport, at(row));
               QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(row));
           }));
    return 0;
}
