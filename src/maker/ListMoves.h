#pragma once

#include <optional>

class QListView;

// The picture list's moves. The plans are pure (count, selected row, target) so that their rules can be
// checked on plain lists; the view operations apply them to a QListView over a PictureListModel.
namespace listmoves {

// The entry at `from` ends at row `to`, which is also the row selected afterwards.
struct Move {
    int from = -1;
    int to = -1;
    friend bool operator==(const Move&, const Move&) = default;
};

// No plan: nothing can move (no selection, first entry for up, last for down).
std::optional<Move> up(int count, int selected);
std::optional<Move> down(int count, int selected);
// Puts the selected entry in front of the entry at `target` (`target` == count: behind the last).
// An entry that travels down lands at target - 1, since its old place closes up. No plan for a
// target outside the list or one that leaves the order as it is (the entry itself or the one below).
std::optional<Move> to(int count, int selected, int target);

} // namespace listmoves

// The program's list moves on the selected entry of `list`, which must show a PictureListModel. Each
// carries the item value, selects the moved entry and answers false when nothing moved, so that the
// window can beep. The selection travels with the entry, so the selection model reports no change:
// the window previews the moved entry itself.
bool MoveItemUp(QListView& list);
bool MoveItemDown(QListView& list);
bool MoveItemTo(QListView& list, int target);

// The list's selected row, or -1.
int selectedRow(const QListView& list);
