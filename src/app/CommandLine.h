#pragma once

#include <QString>
#include <QStringList>

// What the program is asked to do by its command line. A show file named by the arguments joined
// (quotes stripped from the first pair) plays as it always has. A picture plays as a show of its
// folder, and several pictures and folders as a show of them. Files are judged by what their first
// bytes say, never by their names: a PNG named ".lmr" is a picture, a show named ".jpg" is a show.
namespace command_line {

enum class Kind {
    Menu,     // nothing asked: the main menu
    Setup,    // --folder: the folder show setup, as the menu's button opens it
    Maker,    // --maker: the show maker
    ShowFile, // a show file (or any file that is not a picture, read as a show file)
    Pictures, // pictures and folders
    Refused,  // something named that cannot be played
};

// Why an argument cannot be played.
enum class Refusal { NoSuchFile, NotAPictureOrShow, CannotRead };

struct Item {
    QString path; // absolute, byte for byte as given
    bool folder = false;
};

struct Plan {
    Kind kind = Kind::Menu;
    // ShowFile: the show. Refused: the argument as given.
    QString path;
    // Pictures: in the order given.
    QList<Item> items;
    // Pictures: a single picture, which plays its folder starting from it.
    bool fromFolderOf = false;
    Refusal refusal = Refusal::NoSuchFile;
};

Plan decide(const QStringList& arguments);

// Whether the regular file at `path` is a picture the program reads, by its first bytes; nothing
// when it cannot be opened.
std::optional<bool> isPicture(const QString& path);

// One line for stderr, as command-line programs say what went wrong: "lumora: PATH: reason".
QString refusalLine(const QString& path, const QString& reason);
QString reasonOf(Refusal refusal);

} // namespace command_line
