#pragma once

#include <QString>

// The temporary shows (temp.ini, temp.lmr) this copy of the program wrote. Every copy keeps them in
// the same folder, so a copy that ends takes only its own with it: a show another copy wrote since,
// at the same name, stays for the copy that plays it.
namespace temporary_shows {

// Notes the show just written at `path` as this copy's, by the stamp of the file there now.
void wrote(const QString& path);
// Removes every show this copy wrote that is still the file it wrote, and forgets them. Safe from
// any thread.
void removeOurs();

} // namespace temporary_shows
