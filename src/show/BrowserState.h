#pragma once

#include <QHash>
#include <QString>

// The volume, folder and file browsers' memory that outlives their windows, kept for the whole run
// of the program: the folder last used on each volume, by the volume's root path.
struct BrowserState {
    QHash<QString, QString> lastFolders;
};
