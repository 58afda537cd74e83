#include "dialogs/NulList.h"

#include <QDir>
#include <QFileInfo>

namespace dialogs {

namespace {

const QChar nul(u'\0');

bool liesIn(const QString& path, const QString& folder) {
    return path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
}

QString commonFolder(const QStringList& paths) {
    QString folder = QFileInfo(paths.first()).path();
    for (const QString& path : paths) {
        while (!liesIn(path, folder)) {
            const QString parent = QFileInfo(folder).path();
            if (parent == folder)
                break;
            folder = parent;
        }
    }
    return folder;
}

void append(QStringList& strFiles, qint32& lngFileCount, const QString& piece) {
    ++lngFileCount;
    strFiles.resize(lngFileCount);
    strFiles[lngFileCount - 1] = piece;
}

} // namespace

QString TrimAtNull(const QString& text) {
    const qsizetype at = text.indexOf(nul);
    return at < 0 ? text : text.left(at);
}

QString joinSelection(const QStringList& paths) {
    if (paths.isEmpty())
        return QString();
    if (paths.size() == 1)
        return paths.first() + nul + nul;
    const QString folder = commonFolder(paths);
    const QDir base(folder);
    QString text = folder + nul;
    for (const QString& path : paths)
        text += base.relativeFilePath(path) + nul;
    return text + nul;
}

void splitSelection(QString& fileName, QString& strDir, QStringList& strFiles, qint32& lngFileCount) {
    lngFileCount = qMax<qint32>(0, lngFileCount);
    const qsizetype pair = fileName.indexOf(QString(2, nul));
    if (pair >= 0) {
        const QStringList pieces = fileName.left(pair).split(nul);
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            if (strDir.isEmpty())
                strDir = pieces.at(i);
            else
                append(strFiles, lngFileCount, pieces.at(i));
        }
        append(strFiles, lngFileCount, pieces.last());
        fileName = TrimAtNull(fileName);
        return;
    }

    lngFileCount = 1;
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (slash >= 1) {
        strDir = fileName.left(slash);
        strFiles = QStringList{fileName.mid(slash + 1)};
        return;
    }
    strDir.clear();
    strFiles = QStringList{fileName};
    if (slash < 0)
        fileName = TrimAtNull(fileName);
}

} // namespace dialogs
