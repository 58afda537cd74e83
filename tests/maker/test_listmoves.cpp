#include "maker/ListMoves.h"
#include "maker/PictureListModel.h"

#include <QListView>
#include <QTest>

namespace {

// Entries named by letters, each with its own item value, so that a value left behind shows.
PictureListModel* lettered(const QString& letters, QObject* parent) {
    auto* model = new PictureListModel(parent);
    for (QChar c : letters)
        model->append(QString(c), -1000 * c.unicode());
    return model;
}

QString lettersOf(const PictureListModel& model) {
    QString letters;
    for (const PictureEntry& e : model.entries()) {
        if (e.itemData != -1000 * e.path.at(0).unicode())
            return "value left behind";
        letters += e.path;
    }
    return letters;
}

enum class Kind { Up, Down, To };

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestListMoves : public QObject {
    Q_OBJECT

private slots:
    // `selection` -1: nothing can move; the list and its selection stay as they were.
    void moves_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("selected");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("selection");

        QTest::newRow("first of four dropped on C") << "ABCD" << 0 << Kind::To << 2 << "BACD" << 1;
        QTest::newRow("D dropped on B") << "ABCD" << 3 << Kind::To << 1 << "ADBC" << 1;
        QTest::newRow("third of five onto the first") << "ABCDE" << 2 << Kind::To << 0 << "CABDE" << 0;
        QTest::newRow("first of five onto the fourth") << "ABCDE" << 0 << Kind::To << 3 << "BCADE" << 2;
        QTest::newRow("onto itself") << "ABCDE" << 2 << Kind::To << 2 << "ABCDE" << -1;
        QTest::newRow("onto the next") << "ABCDE" << 2 << Kind::To << 3 << "ABCDE" << -1;
        QTest::newRow("below the last finds no entry") << "ABCDE" << 1 << Kind::To << -1 << "ABCDE" << -1;
        QTest::newRow("behind the last") << "ABCDE" << 1 << Kind::To << 5 << "ACDEB" << 4;
        QTest::newRow("past the end") << "ABCDE" << 1 << Kind::To << 6 << "ABCDE" << -1;
        QTest::newRow("drop without selection") << "ABCDE" << -1 << Kind::To << 0 << "ABCDE" << -1;
        QTest::newRow("up from the middle") << "ABCDE" << 2 << Kind::Up << 0 << "ACBDE" << 1;
        QTest::newRow("up on the first") << "ABCDE" << 0 << Kind::Up << 0 << "ABCDE" << -1;
        QTest::newRow("up without selection") << "ABCDE" << -1 << Kind::Up << 0 << "ABCDE" << -1;
        QTest::newRow("down from the first") << "ABCDE" << 0 << Kind::Down << 0 << "BACDE" << 1;
        QTest::newRow("down on the last") << "ABCDE" << 4 << Kind::Down << 0 << "ABCDE" << -1;
        QTest::newRow("down on an only entry") << "A" << 0 << Kind::Down << 0 << "A" << -1;
    }

    void moves() {
        QFETCH(QString, before);
        QFETCH(int, selected);
        QFETCH(Kind, kind);
        QFETCH(int, target);
        QFETCH(QString, after);
        QFETCH(int, selection);

        const int count = int(before.size());
        const auto plan = kind == Kind::Up     ? listmoves::up(count, selected)
                          : kind == Kind::Down ? listmoves::down(count, selected)
                                               : listmoves::to(count, selected, target);
        QCOMPARE(plan, selection == -1 ? std::nullopt : std::optional(listmoves::Move{selected, selection}));

        QListView view;
        PictureListModel* model = lettered(before, &view);
        view.setModel(model);
        if (selected >= 0)
            view.setCurrentIndex(model->index(selected));
        const bool moved = kind == Kind::Up     ? MoveItemUp(view)
                           : kind == Kind::Down ? MoveItemDown(view)
                                                : MoveItemTo(view, target);
        QCOMPARE(moved, selection != -1);
        QCOMPARE(lettersOf(*model), after);
        QCOMPARE(selectedRow(view), moved ? selection : selected);
        QCOMPARE(view.currentIndex().row(), moved ? selection : selected);
    }
};

QTEST_MAIN(TestListMoves)
#include "test_listmoves.moc"
