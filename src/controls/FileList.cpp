#include "controls/FileList.h"

#include "controls/FocusMark.h"
#include "picture/PictureFormats.h"
#include "platform/FolderListing.h"
#include "platform/NativeName.h"

FileList::FileList(QWidget* parent) : QListWidget(parent), pattern_(picture_formats::pattern()) {
    setAccessibleName(QStringLiteral("Files"));
    setUniformItemSizes(true);
    focus_mark::attach(*this);
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    fill();
}

void FileList::setPath(const QString& folder) {
    path_ = folder;
    fill();
}

void FileList::fill() {
    names_ = path_.isEmpty() ? QStringList() : folder_listing::picturesOf(path_, pattern_);
    setUpdatesEnabled(false);
    clear();
    QStringList shown;
    shown.reserve(names_.size());
    for (const QString& name : names_)
        shown << native_name::forDisplay(name);
    addItems(shown);
    // Focus alone chooses no file: a list without a current entry would make its first one current
    // when it is tabbed into, and that is the maker's click on it.
    setCurrentIndex(QModelIndex());
    setUpdatesEnabled(true);
}
