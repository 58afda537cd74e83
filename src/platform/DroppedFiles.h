#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class QMimeData;

// What a file manager's drop names: a text/uri-list of file URLs. Only files of this machine are
// taken (file:/path, file:///path, file://localhost/path or file://THIS-HOST/path); their names
// are percent-decoded byte for byte, so a name that is not UTF-8 keeps its bytes (see native_name).
namespace dropped_files {

inline constexpr auto UriListType = "text/uri-list";

// The local paths of a uri-list, in its order, without a separator at their end (but "/" itself).
// Comments, blank lines, other schemes, other hosts and names holding a NUL are left out.
QStringList parseUriList(QByteArrayView list);
// The local paths a drop offers; none when it carries no uri-list.
QStringList localPaths(const QMimeData& data);

// What a dropped path is on the disk now, links followed.
bool isFolder(const QString& path);
bool isRegularFile(const QString& path);

} // namespace dropped_files
