#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <optional>

// One listing of a folder, shared by every file list, folder list and the subfolder walk, so that
// they all agree on what a picture is, which entries are hidden and in which order names come.
namespace folder_listing {

// The picture pattern of the folder windows.
inline constexpr auto PicturePattern = "*.bmp;*.jpg;*.jpeg;*.gif";

// Name order: letter case ignored, ties broken by case; the same in every locale.
bool nameLess(const QString& a, const QString& b);
void sortNames(QStringList& names);

// A ";"-separated list of wildcards ("*.bmp;*.jpg"), matched with letter case ignored.
class Pattern {
public:
    explicit Pattern(const QString& pattern = QString::fromLatin1(PicturePattern));
    bool matches(const QString& name) const;
    // False only when the file name's bytes (as on the disk) cannot match: a quick look before decoding.
    bool mightMatch(const char* encodedName) const;
    // Matches nothing at all.
    bool isEmpty() const;

private:
    QStringList suffixes_;  // "*.ext" wildcards, kept apart because they are nearly all there is
    QStringList wildcards_; // any other wildcard
    QByteArrayList asciiSuffixes_;
    bool matchAll_ = false;
};

struct Listing {
    // Which folder this is on the disk, whatever path reached it.
    quint64 device = 0;
    quint64 inode = 0;
    QStringList files;         // names of the regular files (or links to them) that match, sorted
    QStringList subfolders;    // names of the real subfolders, sorted
    QStringList linkedFolders; // names of links to folders, sorted
};

// Lists `folder` (names only, hidden entries and names not valid in the locale's encoding left
// out), or nothing when it cannot be listed.
std::optional<Listing> list(const QString& folder, const Pattern& pattern);

// The pictures of a folder, in name order, by pattern: the names, or an empty list when the folder
// cannot be listed.
QStringList picturesOf(const QString& folder, const QString& pattern = QString::fromLatin1(PicturePattern));

} // namespace folder_listing
