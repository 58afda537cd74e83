#pragma once

class QAbstractItemView;
class QWidget;

namespace focus_mark {

// Frames `list` in the highlight colour while it has the keyboard focus and the user moves the focus
// with the keyboard. The style marks only a current entry, and a list tabbed into may have none
// (the maker's lists clear theirs), or no entries at all.
void attach(QAbstractItemView& list);
// The same frame over a control the style draws no focus on at all (a scroll bar: the delay bar).
void attach(QWidget& control);

} // namespace focus_mark
