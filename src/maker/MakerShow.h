#pragma once

#include "show/ShowFile.h"

#include <QString>
#include <QStringList>

// What the maker does with show files, apart from its window: the name a save writes to, and how a
// show that was read sets the option controls and the picture list.
namespace maker_show {

inline constexpr auto Extension = ".lmr";

// True when the last four characters of `fileName`, in lower case, differ from `extension` (given in
// lower case).
bool Lacks_Extension(const QString& fileName, const QString& extension);
// The file a save writes for the name chosen in the dialog: the name, with ".lmr" appended when it
// lacks it.
QString savePath(const QString& chosen);

// A read show as the maker takes it: every recognised settings slot sets its option, every other
// field is a picture. A delay that is not a whole number 0 to 60 once rounded, or a colour that no
// show could be played with, fails the load at its slot, as a field that is not a number does: the
// options and pictures of the slots before it are kept, the rest is not taken.
struct Loaded {
    bool ok = true;
    ShowSettings options;
    QStringList pictures;
};
Loaded take(const show_file::ReadResult& read, ShowSettings current);

} // namespace maker_show
