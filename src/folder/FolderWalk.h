#pragma once

#include "platform/FolderListing.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The walk over a folder and every folder below it, depth first: the pictures of a folder (in name
// order) come before those of its subfolders, and each subfolder follows with its whole subtree.
//
// The walk keeps a stack of (folder, its subfolders listed once, the next one to enter), so that
// going back up costs nothing and a folder that vanishes meanwhile is simply skipped. Links to
// folders are not followed and every folder (by device and inode) is entered once, so the walk
// always ends; a folder that cannot be listed is skipped.
namespace folder_walk {

// Lists one folder; nothing when it cannot be listed. Tests hand in their own to make listings fail.
using Lister = std::function<std::optional<folder_listing::Listing>(const QString& folder)>;

// The listing of the disk for the picture pattern.
Lister diskLister(const QString& pattern = QString::fromLatin1(folder_listing::PicturePattern));

struct Progress {
    // The folder the walk has moved to: every folder entered, and each parent on the way back up.
    std::function<void(const QString& folder)> folderChanged;
    // The bar after a folder's pictures were collected: its maximum, then its value.
    std::function<void(int maximum, int value)> barChanged;
};

// The full paths of every picture below and in `start`, in show order. The bar starts at 0.
QStringList walk(const QString& start, const Lister& lister, const Progress& progress = {});

} // namespace folder_walk
