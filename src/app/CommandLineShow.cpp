#include "app/CommandLineShow.h"

#include "picture/PictureFormats.h"
#include "platform/FolderListing.h"
#include "platform/General.h"

#include <algorithm>

namespace command_line_show {

namespace {

QStringList folderPictures(const QString& folder) {
    QStringList paths;
    for (const QString& name : folder_listing::picturesOf(folder, picture_formats::pattern()))
        paths << general::Full_Path(folder, name);
    return paths;
}

} // namespace

QStringList folderFrom(const QString& picture) {
    const qsizetype slash = picture.lastIndexOf(u'/');
    const QString folder = slash <= 0 ? QStringLiteral("/") : picture.left(slash);
    QStringList paths = folderPictures(folder);
    const qsizetype at = paths.indexOf(picture);
    if (at < 0) {
        paths.prepend(picture);
        return paths;
    }
    std::rotate(paths.begin(), paths.begin() + at, paths.end());
    return paths;
}

QStringList pictures(const command_line::Plan& plan) {
    if (plan.fromFolderOf && plan.items.size() == 1)
        return folderFrom(plan.items.first().path);
    QStringList paths;
    for (const command_line::Item& item : plan.items) {
        if (item.folder)
            paths << folderPictures(item.path);
        else
            paths << item.path;
    }
    return paths;
}

bool walks(const command_line::Plan& plan, bool subfolders) {
    return subfolders && std::any_of(plan.items.begin(), plan.items.end(),
                                     [](const command_line::Item& item) { return item.folder; });
}

} // namespace command_line_show
