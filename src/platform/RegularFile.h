#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QFile;

// Opening files named by a show: only regular files are opened, so that a FIFO, a device or a
// folder in a show can never block the program or be read as data.
namespace regular_file {

// An open, readable QFile for `path`, or null when `path` is not a regular file or cannot be read.
std::unique_ptr<QFile> open(const QString& path);
// The whole content of a regular file.
std::optional<QByteArray> readAll(const QString& path);

} // namespace regular_file
