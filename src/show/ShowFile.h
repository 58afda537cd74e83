#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The options a show carries, as a writer gives them.
// The delay between pictures, in whole seconds; 0 waits for the keys. The windows' delay bars, the
// settings they store and the shows they read all keep to it.
namespace show_delay {
inline constexpr int Min = 0;
inline constexpr int Max = 60;
inline constexpr int Default = 5;
} // namespace show_delay

struct ShowSettings {
    bool stretch = true;
    bool keepRatio = true;
    bool shuffle = false;
    int delaySeconds = show_delay::Default;
    qint32 backColour = 0;
    bool loop = true;
    bool pauseMessage = true;
    bool useMusic = false;
    QString musicPath;
};

// What a read of a show file found: only the settings whose lines were recognised are set, and every
// field that was not a recognised settings line is a picture entry.
struct ShowFileContent {
    std::optional<bool> stretch;
    std::optional<bool> keepRatio;
    std::optional<bool> shuffle;
    std::optional<double> delaySeconds;
    std::optional<qint32> backColour;
    std::optional<bool> loop;
    std::optional<bool> pauseMessage;
    std::optional<bool> useMusic;
    std::optional<QString> musicPath;
    QStringList pictures;
};

namespace show_file {

enum class ReadError { None, CannotOpen, TooFewFields, DelayNotANumber, ColourNotANumber, TooLarge };

// A show holds at most this many entries, and this much text in them: about 1 GB of memory for the
// list at most, four times the largest picture collections, while a file that could only exhaust
// memory (hundreds of millions of blank lines) is refused in well under a second.
inline constexpr qsizetype MaxEntries = 4'000'000;
inline constexpr qint64 MaxEntryTextBytes = qint64(512) << 20;

// On a failure `content` holds what was read before it: the settings recognised and the entries
// appended so far.
struct ReadResult {
    ReadError error = ReadError::None;
    ShowFileContent content;
};

// Parses show file text (already decoded).
ReadResult parse(const QString& text);
// Reads the show file at `path`, as it goes: the file is never held whole. A field longer than any
// path, or more entries than MaxEntries allows, is TooLarge.
ReadResult read(const QString& path);
// Reads the settings and no more than the first `pictures` entries, stopping there: what a show's
// start needs to know, without a long list.
ReadResult readHead(const QString& path, qsizetype pictures);

// Whether a path can be stored as a show file line: a quoted field runs to the next double quote, so
// commas, blanks and line breaks survive and a double quote does not.
bool storable(const QString& path);
// The paths that can be stored, in their order.
QStringList storablePaths(const QStringList& paths);

// The file's text: every line a quoted field ended by CR LF, settings first in their fixed order.
// Nothing when the music path or a picture cannot be stored: its line would read back as another.
std::optional<QByteArray> compose(const ShowSettings& settings, const QStringList& pictures);
// How a written show takes the place of the old file.
enum class Replace {
    // A user's show: written beside it and renamed over it; a link at the name keeps pointing to
    // the show it names, which is the file replaced.
    UserFile,
    // A temporary show: a fresh file of our own renamed into place, never written through a link
    // found at its name.
    TempShow,
};
// Replaces `path` atomically; on failure (a path that cannot be stored included) `error` says why and
// the old file is untouched.
bool write(const QString& path, const ShowSettings& settings, const QStringList& pictures,
           QString* error = nullptr, Replace how = Replace::UserFile);

// Numbers as the show file and the settings store hold them: decimal text with an optional sign,
// fraction and exponent, blanks around it allowed.
std::optional<double> parseNumber(const QString& text);
// A number rounded to the nearest whole number, halves to even, if it fits 32 bits.
std::optional<qint32> parseInt32(const QString& text);
// Seconds to the advance interval in milliseconds (halves to even), or nothing outside 0 to 65535.
std::optional<int> delayToMilliseconds(double seconds);

} // namespace show_file
