#pragma once

#include "platform/Desktop.h"
#include "show/ShowFile.h"

#include <QString>
#include <QStringList>

// What the setup window and the subfolder search share when they make a folder show.
namespace folder_show {

// The notice that `count` pictures were left out of a folder show because a show file cannot store
// their paths.
desktop::MessageBox leftOutMessage(qsizetype count);

// The stored "Colour" as a background colour: a plain colour or a system colour the player accepts;
// anything else (a damaged settings file) gives black, so that every folder show still plays.
qint32 restoredColour(const QString& stored);

// The folder setup's choices as they were last stored, its defaults for those never stored.
struct StoredChoices {
    ShowSettings settings;
    bool subfolders = false;
};
StoredChoices storedChoices();

// Writes the temporary folder show and returns its path; on failure returns nothing and says why
// in `error`. The old file is replaced only by a complete new one.
std::optional<QString> writeTempShow(const ShowSettings& settings, const QStringList& pictures,
                                     QString* error);

} // namespace folder_show
