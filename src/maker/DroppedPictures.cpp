#include "maker/DroppedPictures.h"

#include "platform/DroppedFiles.h"
#include "platform/General.h"
#include "show/ShowFile.h"

namespace dropped_pictures {

namespace {

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

bool anyTaken(const QStringList& dropped, const folder_listing::Pattern& pattern) {
    // Names first: a drag of many pictures needs no look at the disk.
    for (const QString& path : dropped)
        if (pattern.matches(nameOf(path)))
            return true;
    for (const QString& path : dropped)
        if (dropped_files::isFolder(path))
            return true;
    return false;
}

Taken take(const QStringList& dropped, const folder_listing::Pattern& pattern) {
    Taken taken;
    taken.pictures.reserve(dropped.size());
    const auto keep = [&taken](const QString& path) {
        (show_file::storable(path) ? taken.pictures : taken.refused) << path;
    };
    for (const QString& path : dropped) {
        if (dropped_files::isFolder(path)) {
            if (const auto listing = folder_listing::list(path, pattern))
                for (const QString& name : listing->files)
                    keep(general::Full_Path(path, name));
        } else if (pattern.matches(nameOf(path)) && dropped_files::isRegularFile(path)) {
            keep(path);
        } else {
            taken.others << path;
        }
    }
    return taken;
}

} // namespace dropped_pictures
