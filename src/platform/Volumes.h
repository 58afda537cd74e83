#pragma once

#include "platform/Desktop.h"

#include <QList>
#include <QString>

// The mounted volumes as the volume lists see them.
namespace volumes {

// Mounts that hold no pictures of the user's: kernel and package file systems, boot partitions,
// the document portal and gvfs.
bool isPseudo(const QString& rootPath, const QByteArray& fsType);

// The mounted volumes now, with their readiness. Can block on a dead network mount.
QList<desktop::Volume> mountedNow();

// The volume of `volumes` that holds `path` (the longest root that is a prefix of it), or -1.
qsizetype holding(const QList<desktop::Volume>& volumes, const QString& path);

} // namespace volumes
