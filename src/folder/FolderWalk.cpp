#include "folder/FolderWalk.h"

#include "platform/FreeAside.h"

#include "platform/General.h"

#include <set>
#include <utility>
#include <vector>

namespace folder_walk {

Lister diskLister(const QString& pattern, const std::atomic<bool>* stop) {
    folder_listing::Options options;
    options.linkedFolders = false;
    options.keepOpen = true;
    options.stop = stop;
    return [p = folder_listing::Pattern(pattern), options](const Place& place) {
        // The walk enters no virtual file system below its start: their entries are not even read.
        folder_listing::Options below = options;
        below.listVirtual = false;
        if (place.parent && place.parent->isOpen())
            return folder_listing::listBelow(*place.parent, place.name, p, below);
        return folder_listing::list(place.path, p, options);
    };
}

namespace {

// Folders deeper than this are not held open while their subfolders are walked (a descriptor each):
// they are opened again for each subfolder, and only if they are still the folder that was listed.
constexpr std::size_t MaxHeldOpen = 128;

struct Frame {
    QString path;
    QStringList subfolders;
    qsizetype next = 0;
    folder_listing::OpenFolder folder;
    bool wasOpen = false; // the lister gave the folder open: its subfolders are entered below it
    quint64 device = 0;
    quint64 inode = 0;
};

class Walker {
public:
    Walker(const Lister& lister, const Progress& progress, const std::atomic<bool>* stop)
        : lister_(lister), progress_(progress), stop_(stop) {}

    QStringList run(const QString& start) {
        if (!enter(Place{start, nullptr, QString()}, true))
            return {};
        while (!stack_.empty() && !stopped()) {
            Frame& top = stack_.back();
            if (top.next < top.subfolders.size()) {
                const QString& name = top.subfolders[top.next++];
                folder_listing::OpenFolder parent = top.folder;
                if (top.wasOpen && !parent.isOpen())
                    parent = folder_listing::reopen(top.path, top.device, top.inode);
                // Done with the parent's descriptor once its last subfolder is entered.
                if (top.next == top.subfolders.size())
                    top.folder = {};
                if (top.wasOpen && !parent.isOpen())
                    continue; // the parent was replaced meanwhile: nothing below it is entered
                enter(Place{general::Full_Path(top.path, name), top.wasOpen ? &parent : nullptr, name},
                      false);
                continue;
            }
            stack_.pop_back();
            if (!stack_.empty())
                changed(stack_.back().path);
        }
        return std::move(pictures_);
    }

private:
    bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    // Lists and enters a folder; false when it was skipped (unreadable, or already entered).
    bool enter(const Place& place, bool isStart) {
        auto listing = lister_(place);
        // Below the start, kernel and virtual file systems (/proc, /sys, /dev) hold no pictures.
        if (!listing || (!isStart && listing->fileSystem == folder_listing::FileSystem::Virtual) ||
            !visited_.insert({listing->device, listing->inode}).second)
            return false;
        changed(place.path);
        Frame frame{
            place.path,    std::move(listing->subfolders), 0, {}, listing->folder.isOpen(), listing->device,
            listing->inode};
        if (!frame.subfolders.isEmpty() && stack_.size() < MaxHeldOpen)
            frame.folder = std::move(listing->folder);
        stack_.push_back(std::move(frame));
        // The start folder moves the bar even without pictures; an empty folder below it does not.
        if (isStart || !listing->files.isEmpty())
            collect(place.path, listing->files);
        if (stopped())
            freeAside(std::move(listing->files));
        return true;
    }

    void collect(const QString& folder, const QStringList& names) {
        // A folder of a million pictures takes a while to collect too: a stop cuts it short.
        for (qsizetype i = 0; i < names.size(); ++i) {
            if ((i & 4095) == 4095 && stopped())
                return;
            pictures_ << general::Full_Path(folder, names[i]);
        }
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
    const std::atomic<bool>* stop_;
    std::vector<Frame> stack_;
    std::set<std::pair<quint64, quint64>> visited_;
    QStringList pictures_;
    int barMaximum_ = 100;
    int barValue_ = 0;
};

} // namespace

QStringList walk(const QString& start, const Lister& lister, const Progress& progress,
                 const std::atomic<bool>* stop) {
    return Walker(lister, progress, stop).run(start);
}

} // namespace folder_walk
