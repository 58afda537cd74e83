#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// One listing of a folder, shared by every file list, folder list and the subfolder walk, so that
// they all agree on what a picture is, which entries are hidden and in which order names come.
namespace folder_listing {

// Name order: letter case ignored, ties broken by case; the same in every locale.
bool nameLess(const QString& a, const QString& b);
// Sorts by nameLess. With `stop` set from another thread meanwhile it gives up within a few
// thousand comparisons, returns false and leaves `names` in no order (some may be left empty).
bool sortNames(QStringList& names, const std::atomic<bool>* stop = nullptr);

// A ";"-separated list of wildcards ("*.bmp;*.jpg"), matched with letter case ignored.
class Pattern {
public:
    explicit Pattern(const QString& pattern);
    bool matches(const QString& name) const;
    // False only when the file name's bytes (as on the disk) cannot match: a quick look before decoding.
    bool mightMatch(const char* encodedName) const;
    // Matches nothing at all.
    bool isEmpty() const;

private:
    QStringList suffixes_;  // "*.ext" wildcards, kept apart because they are nearly all there is
    QStringList wildcards_; // any other wildcard
    QByteArrayList asciiSuffixes_;
    bool matchAll_ = false;
};

// A folder held open, so that the folders below it are entered relative to it: a folder swapped
// for a link after it was listed is then refused rather than followed. Closed with its last copy.
class OpenFolder {
public:
    OpenFolder() = default;
    // Takes over `fd`.
    explicit OpenFolder(int fd);
    bool isOpen() const { return fd_ != nullptr; }
    int fd() const { return fd_ ? *fd_ : -1; }

private:
    std::shared_ptr<const int> fd_;
};

// Where a folder is kept, by the type of its file system (statfs): on a disk of some kind (local,
// removable, network or FUSE), or in a kernel or virtual file system that holds no pictures (proc,
// sysfs, devtmpfs, devpts, cgroup, debugfs, tracefs, securityfs, pstore, bpf, configfs, mqueue,
// hugetlbfs, autofs, fusectl and their like).
enum class FileSystem { Disk, Virtual };

// The kind of the file system of type `type` (statfs's f_type). A tmpfs or ramfs is virtual only
// when it is the kernel's devtmpfs, which `mountType` names: the mount's type as the kernel lists it,
// asked only for those two.
FileSystem fileSystemOf(qint64 type, const std::function<QByteArray()>& mountType);
// The kind of the file system holding the open folder `fd`.
FileSystem fileSystemOf(int fd);

struct Listing {
    // Which folder this is on the disk, whatever path reached it.
    quint64 device = 0;
    quint64 inode = 0;
    QStringList files;         // names of the regular files (or links to them) that match, sorted
    QStringList subfolders;    // names of the real subfolders, sorted
    QStringList linkedFolders; // names of links to folders, sorted (when asked for)
    OpenFolder folder;         // the folder itself, when asked to keep it open
    FileSystem fileSystem = FileSystem::Disk;
};

struct Options {
    // Links are looked at (a stat of their target) only when they could be a picture or, with
    // this, a folder: a walk that follows no links needs no stat of the many links in /sys.
    bool linkedFolders = true;
    bool keepOpen = false;
    // False: a folder on a virtual file system is given without any names (its entries unread).
    bool listVirtual = true;
    // Set from another thread: the listing gives up and gives nothing.
    const std::atomic<bool>* stop = nullptr;
};

// Lists `folder` (names only, hidden entries left out), or nothing when it cannot be listed.
// Names are kept byte for byte (see native_name): a Latin-1 name is listed and reaches its file.
std::optional<Listing> list(const QString& folder, const Pattern& pattern, const Options& options = {});
// Lists the subfolder `name` of `parent`, entered without following a link at `name`.
std::optional<Listing> listBelow(const OpenFolder& parent, const QString& name, const Pattern& pattern,
                                 const Options& options = {});
// `folder` opened again, only if it is still the folder (device, inode) that was listed.
OpenFolder reopen(const QString& folder, quint64 device, quint64 inode);

// The pictures of a folder, in name order, by pattern: the names, or an empty list when the folder
// cannot be listed.
QStringList picturesOf(const QString& folder, const QString& pattern);

} // namespace folder_listing
