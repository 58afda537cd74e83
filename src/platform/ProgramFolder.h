#pragma once

#include <QString>

// Where the program keeps its temporary show files: its own folder when that can be written,
// otherwise a per-user folder only the user can write. Everyone asks these functions.
namespace program_folder {

QString path();
QString tempIniPath();
QString tempLmrPath();

} // namespace program_folder
