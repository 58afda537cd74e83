#include "platform/TemporaryShows.h"

#include "platform/NativeName.h"
#include "platform/RegularFile.h"

#include <QFileInfo>

#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace temporary_shows {

namespace {

struct Written {
    QString path;
    regular_file::Stamp stamp;
};

// Never destroyed: removeOurs() may run from exit(), after the statics made later are gone.
std::mutex& guard() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::vector<Written>& written() {
    static auto* shows = new std::vector<Written>;
    return *shows;
}

} // namespace

FolderLock::FolderLock(const QString& file, std::chrono::milliseconds patience) {
    const auto folder = native_name::forSystem(QFileInfo(file).absolutePath());
    if (!folder)
        return;
    fd_ = ::open(folder->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    // Polled rather than waited for, so that a copy stopped while it holds the lock cannot hold an
    // ending copy for ever.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!(locked_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0) && errno == EWOULDBLOCK &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

void wrote(const QString& path) {
    const auto stamp = regular_file::stampOf(path);
    const std::lock_guard lock(guard());
    std::erase_if(written(), [&path](const Written& w) { return w.path == path; });
    if (stamp)
        written().push_back({path, *stamp});
}

void removeOurs() {
    const std::lock_guard lock(guard());
    for (const Written& show : written()) {
        // Short: the program is ending, and another copy holds the lock only while it writes.
        const FolderLock folder(show.path, std::chrono::milliseconds(200));
        if (folder.locked() && regular_file::stampOf(show.path) == show.stamp)
            regular_file::remove(show.path);
    }
    written().clear();
}

} // namespace temporary_shows
