#include "app/CommandLineInfo.h"

#include "platform/General.h"

namespace command_line_info {

QString usage() {
    return QStringLiteral("Usage: lumora [SHOW.lmr]\n"
                          "Plays full-screen picture shows and lets you make your own.\n"
                          "\n"
                          "  lumora             open the main menu\n"
                          "  lumora SHOW.lmr    play the show at once, full screen\n"
                          "  lumora --help      print this help\n"
                          "  lumora --version   print the version\n"
                          "\n"
                          "A file called --help or --version in the current folder is played as a show.\n");
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
