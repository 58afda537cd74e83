#include "platform/FolderListing.h"

#include "platform/FreeAside.h"

#include "platform/NativeName.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace folder_listing {

bool nameLess(const QString& a, const QString& b) {
    // QString's case folding is Unicode's, not the locale's: the order is the same for every user.
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

bool sortNames(QStringList& names, const std::atomic<bool>* stop) {
    // Runs sorted apart, then merged a pass at a time, so that a stop is seen every Run names:
    // a folder of a million names takes a core for a second or more in one std::sort.
    constexpr qsizetype Run = 4096;
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    const qsizetype n = names.size();
    for (qsizetype lo = 0; lo < n; lo += Run) {
        if (stopped())
            return false;
        std::sort(names.begin() + lo, names.begin() + std::min(n, lo + Run), nameLess);
    }
    if (n <= Run)
        return true;
    QStringList other(n);
    QString* from = names.data();
    QString* to = other.data();
    for (qsizetype width = Run; width < n; width *= 2) {
        for (qsizetype lo = 0; lo < n; lo += 2 * width) {
            const qsizetype mid = std::min(n, lo + width), hi = std::min(n, lo + 2 * width);
            qsizetype a = lo, b = mid, out = lo;
            while (a < mid && b < hi) {
                if ((out & (Run - 1)) == 0 && stopped()) {
                    freeAside(std::move(other));
                    return false;
                }
                to[out++] = std::move(nameLess(from[b], from[a]) ? from[b++] : from[a++]);
            }
            while (a < mid)
                to[out++] = std::move(from[a++]);
            while (b < hi)
                to[out++] = std::move(from[b++]);
        }
        std::swap(from, to);
    }
    if (from != names.data())
        names.swap(other);
    return true;
}

Pattern::Pattern(const QString& pattern) {
    static const QRegularExpression plainSuffix(QStringLiteral("^\\*\\.[^*?\\[\\]]+$"));
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString p = part.trimmed();
        if (p.isEmpty())
            continue;
        if (p == u"*" || p == u"*.*")
            matchAll_ = true; // as the classic lists do, "*.*" also takes names without a dot
        else if (plainSuffix.match(p).hasMatch()) {
            suffixes_ << p.mid(1); // ".ext"
            const QString ext = p.mid(1);
            bool ascii = std::all_of(ext.begin(), ext.end(), [](QChar c) { return c.unicode() < 128; });
            if (ascii)
                asciiSuffixes_ << ext.toLatin1();
        } else
            wildcards_ << p;
    }
}

bool Pattern::isEmpty() const {
    return !matchAll_ && suffixes_.isEmpty() && wildcards_.isEmpty();
}

bool Pattern::mightMatch(const char* encodedName) const {
    if (matchAll_ || !wildcards_.isEmpty())
        return true;
    // The suffixes are plain ASCII nearly always: compare the bytes before decoding anything.
    const qsizetype length = qsizetype(std::strlen(encodedName));
    for (const QByteArray& suffix : asciiSuffixes_) {
        if (length > suffix.size() &&
            qstrnicmp(encodedName + length - suffix.size(), suffix.constData(), size_t(suffix.size())) == 0)
            return true;
    }
    return asciiSuffixes_.size() != suffixes_.size();
}

bool Pattern::matches(const QString& name) const {
    if (matchAll_)
        return true;
    for (const QString& suffix : suffixes_) {
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    }
    for (const QString& w : wildcards_) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(w),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

OpenFolder::OpenFolder(int fd)
    : fd_(fd >= 0 ? std::shared_ptr<const int>(new int(fd),
                                               [](const int* p) {
                                                   ::close(*p);
                                                   delete p;
                                               })
                  : nullptr) {}

FileSystem fileSystemOf(qint64 type, const std::function<QByteArray()>& mountType) {
    // The f_type values of <linux/magic.h>, written out: that header is not everywhere.
    static constexpr quint32 Virtual[] = {
        0x9fa0,     // proc
        0x62656572, // sysfs
        0x1cd1,     // devpts
        0x27e0eb,   // cgroup
        0x63677270, // cgroup2
        0x64626720, // debugfs
        0x74726163, // tracefs
        0x73636673, // securityfs
        0x6165676c, // pstore
        0xcafe4a11, // bpf
        0x62656570, // configfs
        0x19800202, // mqueue
        0x958458f6, // hugetlbfs
        0x0187,     // autofs
        0x65735543, // fusectl
        0x42494e4d, // binfmt_misc
        0xde5e81e4, // efivarfs
        0xf97cff8c, // selinuxfs
        0x6e736673, // nsfs
        0x50495045, // pipefs
        0x534f434b, // sockfs
    };
    constexpr quint32 Tmpfs = 0x01021994;
    constexpr quint32 Ramfs = 0x858458f6;
    // f_type is a signed word on some systems: the magic numbers are the low 32 bits.
    const auto magic = quint32(quint64(type) & 0xffffffffu);
    if (std::find(std::begin(Virtual), std::end(Virtual), magic) != std::end(Virtual))
        return FileSystem::Virtual;
    // devtmpfs is a tmpfs (or a ramfs) to statfs: only the mount's own type tells it apart.
    if ((magic == Tmpfs || magic == Ramfs) && mountType && mountType() == "devtmpfs")
        return FileSystem::Virtual;
    return FileSystem::Disk;
}

namespace {

// The type the kernel gives the mount of device `device` in /proc/self/mountinfo ("devtmpfs"), or
// nothing. Each device is looked up once: a walk from / meets many tmpfs folders below /run.
QByteArray mountTypeOf(dev_t device) {
    static std::mutex mutex;
    static std::map<dev_t, QByteArray> known;
    const std::lock_guard lock(mutex);
    if (const auto found = known.find(device); found != known.end())
        return found->second;
    QByteArray type;
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (mounts.open(QIODevice::ReadOnly)) {
        const QByteArray wanted = QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
        // "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue"
        for (const QByteArray& line : mounts.readAll().split('\n')) {
            const QByteArrayList fields = line.split(' ');
            const qsizetype dash = fields.indexOf("-");
            if (fields.size() > 2 && fields.at(2) == wanted && dash > 0 && dash + 1 < fields.size()) {
                type = fields.at(dash + 1);
                break;
            }
        }
    }
    known.emplace(device, type);
    return type;
}

} // namespace

FileSystem fileSystemOf(int fd) {
    struct statfs fs {};
    struct stat st {};
    if (::fstatfs(fd, &fs) != 0)
        return FileSystem::Disk;
    return fileSystemOf(qint64(fs.f_type), [&]() -> QByteArray {
        return ::fstat(fd, &st) == 0 ? mountTypeOf(st.st_dev) : QByteArray();
    });
}

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

enum class Kind { Other, File, Folder, LinkedFolder };

Kind kindOfLinkTarget(int dirFd, const char* name) {
    struct stat st {};
    if (fstatat(dirFd, name, &st, 0) != 0)
        return Kind::Other;
    if (S_ISREG(st.st_mode))
        return Kind::File;
    return S_ISDIR(st.st_mode) ? Kind::LinkedFolder : Kind::Other;
}

// What an entry is; links are resolved only when `resolveLink` says their target matters.
Kind kindOf(int dirFd, const dirent* entry, bool resolveLink) {
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
        struct stat st {};
        if (fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Other;
        if (S_ISDIR(st.st_mode))
            return Kind::Folder;
        if (S_ISREG(st.st_mode))
            return Kind::File;
        if (!S_ISLNK(st.st_mode))
            return Kind::Other;
        type = DT_LNK;
    }
    if (type == DT_DIR)
        return Kind::Folder;
    if (type == DT_REG)
        return Kind::File;
    if (type != DT_LNK || !resolveLink)
        return Kind::Other;
    // A link counts by its target: a link to a picture is a picture, a link to a folder is no
    // subfolder of this one.
    return kindOfLinkTarget(dirFd, entry->d_name);
}

// Lists the open folder `fd`, which it takes over.
std::optional<Listing> listOpen(int fd, const Pattern& pattern, const Options& options) {
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    Listing listing;
    listing.device = quint64(st.st_dev);
    listing.inode = quint64(st.st_ino);
    listing.fileSystem = fileSystemOf(fd);
    if (listing.fileSystem == FileSystem::Virtual && !options.listVirtual) {
        ::close(fd);
        return listing;
    }
    if (options.keepOpen) {
        // The stream gets its own descriptor; the kept one stays for entering the subfolders.
        listing.folder = OpenFolder(fd);
        fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            return std::nullopt;
    }
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    const bool wantsFiles = !pattern.isEmpty();
    const auto stopped = [&] { return options.stop && options.stop->load(std::memory_order_relaxed); };
    while (const dirent* entry = readdir(dir.get())) {
        if (stopped()) {
            freeAside(std::move(listing.files));
            return std::nullopt;
        }
        if (entry->d_name[0] == '.') // hidden, and "." and ".."
            continue;
        // Only the names that are kept are decoded: a folder list over 10,000 pictures decodes none.
        if (!wantsFiles && entry->d_type == DT_REG)
            continue;
        const bool mightBePicture = wantsFiles && pattern.mightMatch(entry->d_name);
        const Kind kind = kindOf(dirfd(dir.get()), entry, mightBePicture || options.linkedFolders);
        if (kind == Kind::Other || (kind == Kind::File && !mightBePicture) ||
            (kind == Kind::LinkedFolder && !options.linkedFolders))
            continue;
        // Bytes that are not UTF-8 are kept as they are, so the name reaches the same file again.
        const QString name = native_name::decode(entry->d_name);
        switch (kind) {
        case Kind::File:
            if (pattern.matches(name))
                listing.files << name;
            break;
        case Kind::Folder:
            listing.subfolders << name;
            break;
        case Kind::LinkedFolder:
            listing.linkedFolders << name;
            break;
        case Kind::Other:
            break;
        }
    }
    if (!sortNames(listing.files, options.stop) || !sortNames(listing.subfolders, options.stop) ||
        !sortNames(listing.linkedFolders, options.stop)) {
        freeAside(std::move(listing.files));
        return std::nullopt;
    }
    return listing;
}

} // namespace

std::optional<Listing> list(const QString& folder, const Pattern& pattern, const Options& options) {
    const auto encoded = native_name::forSystem(folder);
    if (!encoded)
        return std::nullopt;
    return listOpen(::open(encoded->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), pattern, options);
}

std::optional<Listing> listBelow(const OpenFolder& parent, const QString& name, const Pattern& pattern,
                                 const Options& options) {
    const auto encoded = native_name::forSystem(name);
    if (!parent.isOpen() || !encoded || encoded->contains('/'))
        return std::nullopt;
    // O_NOFOLLOW: a link standing at the name now (put there since the parent was listed) is refused.
    return listOpen(
        ::openat(parent.fd(), encoded->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), pattern,
        options);
}

OpenFolder reopen(const QString& folder, quint64 device, quint64 inode) {
    const auto encoded = native_name::forSystem(folder);
    if (!encoded)
        return {};
    OpenFolder open(::open(encoded->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!open.isOpen() || fstat(open.fd(), &st) != 0 || quint64(st.st_dev) != device ||
        quint64(st.st_ino) != inode)
        return {};
    return open;
}

QStringList picturesOf(const QString& folder, const QString& pattern) {
    const auto listing = list(folder, Pattern(pattern));
    return listing ? listing->files : QStringList();
}

} // namespace folder_listing
