#include "folder/FolderWalk.h"

#include "platform/General.h"

#include <set>
#include <utility>
#include <vector>

namespace folder_walk {

Lister diskLister(const QString& pattern) {
    return [p = folder_listing::Pattern(pattern)](const QString& folder) {
        return folder_listing::list(folder, p);
    };
}

namespace {

struct Frame {
    QString path;
    QStringList subfolders;
    qsizetype next = 0;
};

class Walker {
public:
    Walker(const Lister& lister, const Progress& progress) : lister_(lister), progress_(progress) {}

    QStringList run(const QString& start) {
        if (!enter(start, true))
            return {};
        while (!stack_.empty()) {
            Frame& top = stack_.back();
            if (top.next < top.subfolders.size()) {
                const QString child = general::Full_Path(top.path, top.subfolders[top.next++]);
                enter(child, false);
                continue;
            }
            stack_.pop_back();
            if (!stack_.empty())
                changed(stack_.back().path);
        }
        return std::move(pictures_);
    }

private:
    // Lists and enters a folder; false when it was skipped (unreadable, or already entered).
    bool enter(const QString& folder, bool isStart) {
        const auto listing = lister_(folder);
        if (!listing || !visited_.insert({listing->device, listing->inode}).second)
            return false;
        changed(folder);
        stack_.push_back({folder, listing->subfolders, 0});
        // The start folder moves the bar even without pictures; an empty folder below it does not.
        if (isStart || !listing->files.isEmpty())
            collect(folder, listing->files);
        return true;
    }

    void collect(const QString& folder, const QStringList& names) {
        for (const QString& name : names)
            pictures_ << general::Full_Path(folder, name);
        const int depth = int(stack_.size());
        barMaximum_ = barValue_ + depth;
        barValue_ = depth;
        if (progress_.barChanged)
            progress_.barChanged(barMaximum_, barValue_);
    }

    void changed(const QString& folder) {
        if (progress_.folderChanged)
            progress_.folderChanged(folder);
    }

    const Lister& lister_;
    const Progress& progress_;
    std::vector<Frame> stack_;
    std::set<std::pair<quint64, quint64>> visited_;
    QStringList pictures_;
    int barMaximum_ = 100;
    int barValue_ = 0;
};

} // namespace

QStringList walk(const QString& start, const Lister& lister, const Progress& progress) {
    return Walker(lister, progress).run(start);
}

} // namespace folder_walk
