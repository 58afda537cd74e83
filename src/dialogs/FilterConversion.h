#pragma once

#include <QString>
#include <QStringList>

// A filter is written the way the program's callers know it: descriptions and pattern lists
// alternating, separated by "|", patterns within one list separated by ";", e.g.
// "Lumora Files (*.lmr)|*.lmr|All Files (*.*)|*.*".
namespace dialogs {

// The NUL-separated list form: every "|" becomes one NUL and two NULs end the list.
QString ConvertFilter(const QString& filter);

// One Qt name filter "Description (pat1 pat2)" per description/pattern pair, in order, so that
// entry i of the list is filter entry i + 1. A trailing description without a pattern list is no
// entry. "*.*" becomes "*", since on this system it would otherwise hide names without a dot.
QStringList qtNameFilters(const QString& filter);

} // namespace dialogs
