#pragma once

#include "picture/PictureFormats.h"
#include "platform/FolderListing.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// The walk over a folder and every folder below it, depth first: the pictures of a folder (in name
// order) come before those of its subfolders, and each subfolder follows with its whole subtree.
//
// The walk keeps a stack of (folder, its subfolders listed once, the next one to enter), so that
// going back up costs nothing and a folder that vanishes meanwhile is simply skipped. Links to
// folders are not followed, not even a folder swapped for a link while the walk runs (subfolders
// are entered relative to their open parent), and every folder (by device and inode) is entered
// once, so the walk always ends; a folder that cannot be listed is skipped, and so is every folder
// below the start on a kernel or virtual file system (by its type, folder_listing::FileSystem), with
// everything under it: mounted disks below such a folder are not reached either.
namespace folder_walk {

// A folder the walk is about to enter.
struct Place {
    QString path;                                       // its full path, as the label shows it
    const folder_listing::OpenFolder* parent = nullptr; // its parent, when held open
    QString name;                                       // its name in the parent
};

// Lists one folder; nothing when it cannot be listed. Tests hand in their own to make listings fail
// or to change the tree between listing a folder and entering the next.
using Lister = std::function<std::optional<folder_listing::Listing>(const Place& place)>;

// The listing of the disk for the picture pattern: subfolders entered below their open parent
// without following links, the start folder by its path. `stop` (may be null) cuts a listing short.
Lister diskLister(const QString& pattern = picture_formats::pattern(),
                  const std::atomic<bool>* stop = nullptr);

struct Progress {
    // The folder the walk has moved to: every folder entered, and each parent on the way back up.
    std::function<void(const QString& folder)> folderChanged;
    // The bar after a folder's pictures were collected: its maximum, then its value.
    std::function<void(int maximum, int value)> barChanged;
};

// The full paths of every picture below and in `start`, in show order. The bar starts at 0. When
// `stop` (may be null) is set, the walk ends within a few thousand names, with some of what it
// found so far.
QStringList walk(const QString& start, const Lister& lister, const Progress& progress = {},
                 const std::atomic<bool>* stop = nullptr);

} // namespace folder_walk
