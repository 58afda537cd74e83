#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QFile;

// Opening files named by a show: only regular files are opened, so that a FIFO, a device or a
// folder in a show can never block the program or be read as data. Paths are taken byte for byte
// (see native_name), and a path holding a NUL names no file.
namespace regular_file {

// What identifies one version of a file: a file replaced or rewritten gets another stamp. The
// status-change time is part of it because a file rewritten in place can be given its old size and
// modification time back, but no one can set the change time.
struct Stamp {
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;
    bool operator==(const Stamp&) const = default;
};

// An open, readable QFile for `path`, or null when `path` is not a regular file or cannot be read.
// `stamp`, when given, receives the stamp of the file that was opened.
std::unique_ptr<QFile> open(const QString& path, Stamp* stamp = nullptr);
// The stamp of the regular file at `path` now, or nothing when there is none.
std::optional<Stamp> stampOf(const QString& path);
// Deletes the file at `path` at once; on failure `error` says why.
bool remove(const QString& path, QString* error = nullptr);
// Puts `bytes` at `path` as a fresh file only the user can read: written under a new name in the
// same folder (created, never opened through a link), then renamed over `path`, so whatever stood
// there (a link planted at the name included) is replaced and never written through. On failure
// (a full disk, a file size limit) `error` says why and `path` is as it was.
bool replaceWithFresh(const QString& path, QByteArrayView bytes, QString* error = nullptr);

} // namespace regular_file
