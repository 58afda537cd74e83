#include "maker/ListMoves.h"

#include "maker/PictureListModel.h"

#include <QItemSelectionModel>
#include <QListView>

namespace listmoves {

namespace {

bool inList(int count, int row) {
    return row >= 0 && row < count;
}

} // namespace

std::optional<Move> up(int count, int selected) {
    if (!inList(count, selected) || selected == 0)
        return std::nullopt;
    return Move{selected, selected - 1};
}

std::optional<Move> down(int count, int selected) {
    if (!inList(count, selected) || selected == count - 1)
        return std::nullopt;
    return Move{selected, selected + 1};
}

std::optional<Move> to(int count, int selected, int target) {
    if (!inList(count, selected) || target < 0 || target > count)
        return std::nullopt;
    if (target == selected || target == selected + 1)
        return std::nullopt;
    return Move{selected, target < selected ? target : target - 1};
}

} // namespace listmoves

int selectedRow(const QListView& list) {
    const QItemSelectionModel* selection = list.selectionModel();
    if (!selection)
        return -1;
    const QModelIndexList rows = selection->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

namespace {

bool applyMove(QListView& list, const std::optional<listmoves::Move>& move) {
    auto* model = qobject_cast<PictureListModel*>(list.model());
    if (!move || !model || !model->moveEntry(move->from, move->to))
        return false;
    const QModelIndex moved = model->index(move->to);
    list.selectionModel()->setCurrentIndex(moved, QItemSelectionModel::ClearAndSelect);
    list.scrollTo(moved);
    return true;
}

int rowCount(const QListView& list) {
    return list.model() ? list.model()->rowCount() : 0;
}

} // namespace

bool MoveItemUp(QListView& list) {
    return applyMove(list, listmoves::up(rowCount(list), selectedRow(list)));
}

bool MoveItemDown(QListView& list) {
    return applyMove(list, listmoves::down(rowCount(list), selectedRow(list)));
}

bool MoveItemTo(QListView& list, int target) {
    return applyMove(list, listmoves::to(rowCount(list), selectedRow(list), target));
}
