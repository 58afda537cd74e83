#include "platform/Volumes.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStorageInfo>

#include <algorithm>

#include <dirent.h>

namespace volumes {

bool isPseudo(const QString& rootPath, const QByteArray& fsType) {
    static const QByteArrayList pseudoTypes = {
        "proc",       "sysfs",           "devtmpfs",    "devpts",   "cgroup",
        "cgroup2",    "securityfs",      "debugfs",     "tracefs",  "pstore",
        "bpf",        "mqueue",          "hugetlbfs",   "configfs", "fusectl",
        "autofs",     "binfmt_misc",     "squashfs",    "nsfs",     "efivarfs",
        "rpc_pipefs", "fuse.gvfsd-fuse", "fuse.portal", "ramfs",    "overlay.lower"};
    if (pseudoTypes.contains(fsType))
        return true;
    static const QRegularExpression hidden(
        QStringLiteral("^(/boot(/|$)|/snap(/|$)|/proc(/|$)|/sys(/|$)|/dev(/|$)|/run/user/\\d+/(doc|gvfs)(/"
                       "|$)|/run/(lock|credentials)(/|$))"));
    if (hidden.match(rootPath).hasMatch())
        return true;
    // Scratch mounts of the system (/run, /dev/shm); a tmpfs the user made elsewhere stays.
    return fsType == "tmpfs" && (rootPath == u"/run" || rootPath.startsWith(u"/run/"));
}

QList<desktop::Volume> mountedNow() {
    QList<desktop::Volume> result;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString root = info.rootPath();
        if (root.isEmpty() || isPseudo(root, info.fileSystemType()))
            continue;
        if (std::any_of(result.begin(), result.end(),
                        [&](const desktop::Volume& v) { return v.rootPath == root; }))
            continue;
        bool ready = info.isValid() && info.isReady();
        if (ready) {
            // Ready means its root can be listed now.
            DIR* d = opendir(QFile::encodeName(root).constData());
            ready = d != nullptr;
            if (d)
                closedir(d);
        }
        result.append({root, ready});
    }
    std::sort(result.begin(), result.end(),
              [](const desktop::Volume& a, const desktop::Volume& b) { return a.rootPath < b.rootPath; });
    return result;
}

qsizetype holding(const QList<desktop::Volume>& volumes, const QString& path) {
    qsizetype best = -1;
    qsizetype bestLength = -1;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        const QString& root = volumes[i].rootPath;
        const bool inside = path == root || root == u"/" ||
                            (path.startsWith(root) && path.size() > root.size() && path[root.size()] == u'/');
        if (inside && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

} // namespace volumes
