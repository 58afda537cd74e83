#include "platform/RegularFile.h"

#include "platform/NativeName.h"

#include <QFile>
#include <QRandomGenerator>

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

bool replaceWithFresh(const QString& path, QByteArrayView bytes, QString* error) {
    const auto fail = [error](int err) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(err));
        return false;
    };
    const auto target = native_name::forSystem(path);
    if (!target)
        return fail(ENOENT);
    const qsizetype slash = target->lastIndexOf('/');
    const QByteArray folder = target->left(slash + 1);
    const QByteArray name = target->mid(slash + 1);
    if (name.isEmpty())
        return fail(EISDIR);
    // A new name beside the target, hidden: O_EXCL and O_NOFOLLOW make sure the file is our own
    // fresh one, whatever someone put in the folder.
    QByteArray fresh;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        fresh = folder + '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(fresh.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return fail(errno);
    }
    if (fd < 0)
        return fail(EEXIST);
    const char* at = bytes.data();
    qsizetype left = bytes.size();
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        at += n;
        left -= n;
    }
    if (::close(fd) != 0 && err == 0)
        err = errno;
    // rename replaces whatever stands at the name, a link included, and never writes through it.
    if (err == 0 && ::rename(fresh.constData(), target->constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(fresh.constData());
        return fail(err);
    }
    return true;
}

} // namespace regular_file
