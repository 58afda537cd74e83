#pragma once

#include <QString>

namespace show_file {

// Whether `path` is a show file as the desktop knows one: a regular file whose name ends in ".lmr"
// (letter case ignored), or whose first line is a show's first settings line.
bool looksLikeShow(const QString& path);

} // namespace show_file
