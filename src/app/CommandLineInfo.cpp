#include "app/CommandLineInfo.h"

#include "platform/General.h"

namespace command_line_info {

QString usage() {
    return QStringLiteral(
        "Usage: lumora [SHOW.lmr | PICTURE... | FOLDER...]\n"
        "Plays full-screen picture shows and lets you make your own.\n"
        "\n"
        "  lumora                 open the main menu\n"
        "  lumora SHOW.lmr        play the show at once, full screen\n"
        "  lumora PICTURE         play the pictures of its folder, starting at it\n"
        "  lumora PICTURE...      play these pictures, in this order\n"
        "  lumora FOLDER...       play the pictures of these folders (and of their subfolders\n"
        "                         when the folder setup's \"Include Subfolders\" is ticked)\n"
        "  lumora --folder        open the folder setup\n"
        "  lumora --maker         open the show maker\n"
        "  lumora --help          print this help\n"
        "  lumora --version       print the version\n"
        "\n"
        "Files are told apart by their content: a picture plays as a picture, anything else is read\n"
        "as a show. Pictures and folders play with the folder setup's last options (delay, colour,\n"
        "loop, pause message, music), in order, each picture seen whole. While a show plays, Right\n"
        "or Page Down steps on, Left or Page Up back, Space pauses, Escape leaves; the media keys\n"
        "and the desktop's media controls work too.\n"
        "\n"
        "A file called --help, --version, --folder or --maker in the current folder is played as\n"
        "a show.\n");
}

QString version() {
    return QStringLiteral("10. Lumora " LUMORA_VERSION "\n");
}

QString answer(const QString& commandLine) {
    const QString argument = general::Strip_Quotes(commandLine);
    if (argument != QLatin1String("--help") && argument != QLatin1String("--version"))
        return {};
    if (general::File_Exists(argument))
        return {};
    return argument == QLatin1String("--help") ? usage() : version();
}

} // namespace command_line_info
