#include "platform/TemporaryShows.h"

#include "platform/RegularFile.h"

#include <cstdlib>
#include <mutex>
#include <vector>

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

void wrote(const QString& path) {
    const auto stamp = regular_file::stampOf(path);
    const std::lock_guard lock(guard());
    std::erase_if(written(), [&path](const Written& w) { return w.path == path; });
    if (stamp)
        written().push_back({path, *stamp});
}

void removeOurs() {
    const std::lock_guard lock(guard());
    for (const Written& show : written())
        if (regular_file::stampOf(show.path) == show.stamp)
            regular_file::remove(show.path);
    written().clear();
}

} // namespace temporary_shows
