#include "platform/RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace regular_file {

namespace {
Stamp toStamp(const struct stat& st) {
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            quint64(st.st_ino), quint64(st.st_dev)};
}
} // namespace

std::optional<Stamp> stampOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return toStamp(st);
}

std::unique_ptr<QFile> open(const QString& path, Stamp* stamp) {
    if (path.isEmpty())
        return nullptr;
    // O_NONBLOCK keeps open() from waiting for a writer when the path is a FIFO; the type is then
    // checked on the descriptor itself, so a file swapped in after a check cannot slip through.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

std::optional<QByteArray> readAll(const QString& path) {
    auto file = open(path);
    if (!file)
        return std::nullopt;
    QByteArray bytes = file->readAll();
    if (file->error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace regular_file
