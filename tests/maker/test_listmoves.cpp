#include "maker/ListMoves.h"
#include "maker/PictureListModel.h"

#include <QListView>
#include <QStringListModel>
#include <QTest>

namespace {

// Entries named by letters; each carries its own item value (the letter's code times -1000), so a
// value left behind by a move shows at once.
QList<PictureEntry> lettered(const QString& letters) {
    QList<PictureEntry> entries;
    for (QChar c : letters)
        entries.append(PictureEntry{QString(c), -1000 * c.unicode()});
    return entries;
}

QString lettersOf(const QList<PictureEntry>& entries) {
    QString letters;
    for (const PictureEntry& e : entries)
        letters += e.path;
    return letters;
}

bool valuesTravelled(const QList<PictureEntry>& entries) {
    for (const PictureEntry& e : entries)
        if (e.itemData != -1000 * e.path.at(0).unicode())
            return false;
    return true;
}

enum class Kind { Up, Down, To };

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestListMoves : public QObject {
    Q_OBJECT

private slots:
    // `selection` -1: no move is planned, the list stays as it was.
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
        QTest::newRow("last onto the first") << "ABCDE" << 4 << Kind::To << 0 << "EABCD" << 0;
        QTest::newRow("onto itself") << "ABCDE" << 2 << Kind::To << 2 << "ABCDE" << -1;
        QTest::newRow("onto the next") << "ABCDE" << 2 << Kind::To << 3 << "ABCDE" << -1;
        QTest::newRow("below the last finds no entry") << "ABCDE" << 1 << Kind::To << -1 << "ABCDE" << -1;
        QTest::newRow("behind the last") << "ABCDE" << 1 << Kind::To << 5 << "ACDEB" << 4;
        QTest::newRow("past the end") << "ABCDE" << 1 << Kind::To << 6 << "ABCDE" << -1;
        QTest::newRow("drop without selection") << "ABCDE" << -1 << Kind::To << 0 << "ABCDE" << -1;
        QTest::newRow("drop on an empty list") << "" << -1 << Kind::To << 0 << "" << -1;
        QTest::newRow("selection out of range") << "AB" << 2 << Kind::To << 0 << "AB" << -1;

        QTest::newRow("up from the middle") << "ABCDE" << 2 << Kind::Up << 0 << "ACBDE" << 1;
        QTest::newRow("up from the last") << "ABCDE" << 4 << Kind::Up << 0 << "ABCED" << 3;
        QTest::newRow("up on the first") << "ABCDE" << 0 << Kind::Up << 0 << "ABCDE" << -1;
        QTest::newRow("up without selection") << "ABCDE" << -1 << Kind::Up << 0 << "ABCDE" << -1;
        QTest::newRow("down from the first") << "ABCDE" << 0 << Kind::Down << 0 << "BACDE" << 1;
        QTest::newRow("down on the last") << "ABCDE" << 4 << Kind::Down << 0 << "ABCDE" << -1;
        QTest::newRow("down on a single entry") << "A" << 0 << Kind::Down << 0 << "A" << -1;
        QTest::newRow("down without selection") << "ABCDE" << -1 << Kind::Down << 0 << "ABCDE" << -1;
    }

    void moves() {
        QFETCH(QString, before);
        QFETCH(int, selected);
        QFETCH(Kind, kind);
        QFETCH(int, target);
        QFETCH(QString, after);
        QFETCH(int, selection);

        const int count = int(before.size());
        const std::optional<listmoves::Move> move = kind == Kind::Up ? listmoves::up(count, selected)
                                                    : kind == Kind::Down
                                                        ? listmoves::down(count, selected)
                                                        : listmoves::to(count, selected, target);
        QCOMPARE(move.has_value(), selection != -1);

        // Applied exactly as the model applies it, to the entries the view and the view's moves use.
        QList<PictureEntry> entries = lettered(before);
        if (move) {
            QCOMPARE(move->from, selected);
            QCOMPARE(move->to, selection);
            entries.move(move->from, move->to);
            QCOMPARE(entries.at(selection).path, before.mid(selected, 1));
        }
        QCOMPARE(lettersOf(entries), after);
        QVERIFY(valuesTravelled(entries));

        // The same through a real list view: order, item values, selection and the answer.
        PictureListModel model;
        model.appendEntries(lettered(before));
        QListView view;
        view.setModel(&model);
        if (selected >= 0 && selected < count)
            view.setCurrentIndex(model.index(selected));
        const bool moved = kind == Kind::Up     ? MoveItemUp(view)
                           : kind == Kind::Down ? MoveItemDown(view)
                                                : MoveItemTo(view, target);
        QCOMPARE(moved, selection != -1);
        QCOMPARE(lettersOf(model.entries()), after);
        QVERIFY(valuesTravelled(model.entries()));
        const int expectedSelection = moved ? selection : (selected < count ? selected : -1);
        QCOMPARE(selectedRow(view), expectedSelection);
        if (moved)
            QCOMPARE(view.currentIndex().row(), selection);
    }

    void aListOfAnotherKindMovesNothing() {
        QStringListModel strings({"A", "B", "C"});
        QListView view;
        view.setModel(&strings);
        view.setCurrentIndex(strings.index(2));
        QVERIFY(!MoveItemUp(view));
        QVERIFY(!MoveItemTo(view, 0));
        QCOMPARE(strings.stringList(), QStringList({"A", "B", "C"}));

        QListView empty; // no model at all
        QVERIFY(!MoveItemDown(empty));
        QCOMPARE(selectedRow(empty), -1);
    }

    // Rows far beyond 16 bits move like any other, and the moved entry is scrolled into sight.
    void movesInALongList() {
        PictureListModel model;
        QList<PictureEntry> entries;
        for (int i = 0; i < 100000; ++i)
            entries.append(PictureEntry{QString::number(i), i});
        model.appendEntries(entries);
        QListView view;
        view.setUniformItemSizes(true);
        view.resize(200, 200);
        view.setModel(&model);
        view.show();
        view.setCurrentIndex(model.index(99999));
        QVERIFY(MoveItemTo(view, 40000));
        QCOMPARE(model.entry(40000), (PictureEntry{"99999", 99999}));
        QCOMPARE(model.entry(99999), (PictureEntry{"99998", 99998}));
        QCOMPARE(selectedRow(view), 40000);
        QVERIFY(MoveItemDown(view));
        QCOMPARE(model.entry(40001).itemData, 99999);
        QCOMPARE(selectedRow(view), 40001);
        QVERIFY(view.viewport()->rect().intersects(view.visualRect(model.index(40001))));
    }
};

QTEST_MAIN(TestListMoves)
#include "test_listmoves.moc"
