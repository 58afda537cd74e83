#include "platform/DroppedFiles.h"

#include "platform/NativeName.h"

#include <QMimeData>
#include <QSysInfo>

#include <optional>

#include <sys/stat.h>

namespace dropped_files {

namespace {

bool startsWithNoCase(QByteArrayView text, QByteArrayView start) {
    return text.size() >= start.size() && qstrnicmp(text.data(), start.data(), size_t(start.size())) == 0;
}

bool thisMachine(QByteArrayView host) {
    if (host.isEmpty() || (host.size() == 9 && startsWithNoCase(host, "localhost")))
        return true;
    const QByteArray name = QSysInfo::machineHostName().toUtf8();
    return host.size() == name.size() && startsWithNoCase(host, name);
}

std::optional<QString> localPath(QByteArrayView uri) {
    if (!startsWithNoCase(uri, "file:"))
        return std::nullopt;
    QByteArrayView rest = uri.sliced(5);
    if (rest.startsWith("//")) {
        rest = rest.sliced(2);
        const qsizetype slash = rest.indexOf('/');
        if (slash < 0 || !thisMachine(rest.first(slash)))
            return std::nullopt;
        rest = rest.sliced(slash);
    }
    if (!rest.startsWith('/'))
        return std::nullopt;
    // A query or fragment is no part of the name (a name's own "?" or "#" comes percent-encoded).
    for (char stop : {'?', '#'}) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0)
            rest = rest.first(at);
    }
    QByteArray bytes = QByteArray::fromPercentEncoding(rest.toByteArray());
    if (bytes.contains('\0'))
        return std::nullopt;
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    return native_name::decode(bytes);
}

std::optional<mode_t> modeOf(const QString& path) {
    const auto name = native_name::forSystem(path);
    struct stat st {};
    if (!name || ::stat(name->constData(), &st) != 0)
        return std::nullopt;
    return st.st_mode;
}

} // namespace

QStringList parseUriList(QByteArrayView list) {
    QStringList paths;
    while (!list.isEmpty()) {
        const qsizetype end = list.indexOf('\n');
        const QByteArrayView line = (end < 0 ? list : list.first(end)).trimmed();
        list = end < 0 ? QByteArrayView() : list.sliced(end + 1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (auto path = localPath(line))
            paths << *path;
    }
    return paths;
}

QStringList localPaths(const QMimeData& data) {
    const QString type = QLatin1String(UriListType);
    return data.hasFormat(type) ? parseUriList(data.data(type)) : QStringList();
}

bool isFolder(const QString& path) {
    const auto mode = modeOf(path);
    return mode && S_ISDIR(*mode);
}

bool isRegularFile(const QString& path) {
    const auto mode = modeOf(path);
    return mode && S_ISREG(*mode);
}

} // namespace dropped_files
