#pragma once

#include <QString>
#include <QStringList>

// The NUL-separated text in which a dialog hands back several chosen files at once:
// the folder, a NUL, each file name followed by a NUL, and one more NUL; or, when just one file
// was chosen, its full path followed by two NULs.
namespace dialogs {

// The part before the first NUL; the whole text when it holds none.
QString TrimAtNull(const QString& text);

// The NUL form for absolute paths as a dialog returns them. Files from different folders are
// named relative to the deepest folder they share, so that folder and name still join to the path.
QString joinSelection(const QStringList& paths);

// Takes `fileName` apart as described above, or as a plain path when it holds no NUL pair.
// strFiles holds element i (counting from 1) at index i - 1, and is as long as lngFileCount
// afterwards; lngFileCount counts on from the value passed in. On a multiple selection
// `fileName` is left as the folder (or the one full path); a plain path keeps its value.
void splitSelection(QString& fileName, QString& strDir, QStringList& strFiles, qint32& lngFileCount);

} // namespace dialogs
