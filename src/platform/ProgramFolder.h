#pragma once

#include <QString>

// Where the program keeps its temporary show files: its own folder when that can be written,
// otherwise a per-user folder only the user can write. Everyone asks these functions.
namespace program_folder {

QString path();
// True when temporary files must stay out of `programFolder`: it belongs to the system (below /usr,
// /opt and the like), it is the bin folder of an installed copy (a prefix whose share/applications
// holds the program's desktop entry), or it cannot be written. Ownership is not asked, since root
// may write anywhere and must still keep out of an installed program's folder.
bool needsPrivateFolder(const QString& programFolder);
// The folder for the temporary show files of a program in `programFolder`: that folder itself, or
// the per-user data folder, created and made private to the user (mode 0700).
QString tempFolderFor(const QString& programFolder);
QString tempIniPath();
QString tempLmrPath();

} // namespace program_folder
