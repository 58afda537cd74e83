#pragma once

#include "platform/FolderListing.h"

#include <QStringList>

// Which of the files and folders dropped on the maker's picture list become entries: a regular file
// whose name matches the file list's pattern (a FIFO or socket so named is no picture, as in the
// file lists), and the matching files of a dropped folder (not of its
// subfolders) in the file list's order, everything in the order the drop gives it. A path a show
// file cannot hold is refused; a dropped file that is not a picture is left out, and said so.
namespace dropped_pictures {

struct Taken {
    QStringList pictures; // in the list's order
    QStringList refused;  // pictures a show file cannot hold
    QStringList others;   // dropped files that are not pictures
};

// Quick test for a drag as it enters: a name that matches, or a folder, is something to take.
bool anyTaken(const QStringList& dropped, const folder_listing::Pattern& pattern);
Taken take(const QStringList& dropped, const folder_listing::Pattern& pattern);

} // namespace dropped_pictures
