#include "platform/FolderListing.h"

#include "platform/FreeAside.h"

#include "platform/NativeName.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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
