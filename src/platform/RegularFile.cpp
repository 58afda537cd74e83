#include "platform/RegularFile.h"

#include "platform/NativeName.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace regular_file {

namespace {
Stamp toStamp(const struct stat& st) {
    const auto ns = [](const timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {qint64(st.st_size), ns(st.st_mtim), ns(st.st_ctim), quint64(st.st_ino), quint64(st.st_dev)};
}
} // namespace

std::optional<Stamp> stampOf(const QString& path) {
    const auto name = native_name::forSystem(path);
    struct stat st {};
    if (!name || ::stat(name->constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return toStamp(st);
}

std::unique_ptr<QFile> open(const QString& path, Stamp* stamp) {
    const auto name = native_name::forSystem(path);
    if (!name)
        return nullptr;
    // O_NONBLOCK keeps open() from waiting for a writer when the path is a FIFO; the type is then
    // checked on the descriptor itself, so a file swapped in after a check cannot slip through.
    const int fd = ::open(name->constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    if (stamp)
        *stamp = toStamp(st);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

bool remove(const QString& path, QString* error) {
    const auto name = native_name::forSystem(path);
    const int err = !name ? ENOENT : ::unlink(name->constData()) == 0 ? 0 : errno;
    if (err != 0 && error)
        *error = QString::fromLocal8Bit(std::strerror(err));
    return err == 0;
}

} // namespace regular_file
