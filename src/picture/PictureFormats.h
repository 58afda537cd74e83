#pragma once

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <span>

class PictureReader;
class QIODevice;

// Every picture format the program reads, in one table: what a folder lists, what a drop takes and
// which reader decodes a file all follow from it. A file is read by what its first bytes say, never
// by its name (a PNG saved as ".jpg" is common); the name's ending decides only what is listed.
namespace picture_formats {

struct Format {
    const char* name;
    // Lower case, without the dot, in the order the file lists show them.
    std::span<const char* const> endings;
    // Whether a file starting with `head` (at most HeadBytes of it) is in this format.
    bool (*recognises)(QByteArrayView head);
    // The format's reader over a file, which must outlive it.
    std::unique_ptr<PictureReader> (*open)(QIODevice& file);
};

// As many of a file's first bytes as any format needs to be recognised: an ISO media file's brands
// (its major brand and a dozen compatible ones).
inline constexpr int HeadBytes = 64;

std::span<const Format> all();

// The format whose first bytes `head` starts with; none when no reader of the table knows them.
const Format* byContent(QByteArrayView head);

// The file lists' pattern, "*.bmp;*.jpg;..." in the table's order.
QString pattern();

} // namespace picture_formats
