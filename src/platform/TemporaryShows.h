#pragma once

#include <QString>

#include <chrono>

// The temporary shows (temp.ini, temp.lmr) this copy of the program wrote. Every copy keeps them in
// the same folder, so a copy that ends takes only its own with it: a show another copy wrote since,
// at the same name, stays for the copy that plays it.
namespace temporary_shows {

// Every copy takes this lock on the folder of its temporary shows while it writes one and notes its
// stamp, and while it checks a stamp and removes the file: between one copy's check and its removal,
// no other copy can put a show of its own at the name. Closed, and so released, with the object
// (also by a copy that dies holding it).
class FolderLock {
public:
    // Waits at most `patience` for a copy that holds the lock.
    explicit FolderLock(const QString& file, std::chrono::milliseconds patience = std::chrono::seconds(2));
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

// Notes the show just written at `path` as this copy's, by the stamp of the file there now.
void wrote(const QString& path);
// Removes every show this copy wrote that is still the file it wrote, and forgets them. Safe from
// any thread. A show whose folder another copy keeps locked past a short wait is left where it is.
void removeOurs();

} // namespace temporary_shows
