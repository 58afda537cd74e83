#include "show/ShowFileKind.h"

#include "platform/RegularFile.h"

#include <QFile>

namespace show_file {

bool looksLikeShow(const QString& path) {
    const std::unique_ptr<QFile> file = regular_file::open(path);
    if (!file)
        return false;
    if (path.endsWith(QLatin1String(".lmr"), Qt::CaseInsensitive))
        return true;
    static constexpr char FirstLine[] = "\"Strech=";
    return file->read(sizeof FirstLine - 1) == QByteArrayView(FirstLine);
}

} // namespace show_file
