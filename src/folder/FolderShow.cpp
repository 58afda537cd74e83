#include "folder/FolderShow.h"

#include "platform/ProgramFolder.h"
#include "show/Colour.h"

namespace folder_show {

qint32 restoredColour(const QString& stored) {
    const auto value = show_file::parseInt32(stored);
    if (!value)
        return 0;
    return colour::toQColor(*value) ? *value : 0;
}

std::optional<QString> writeTempShow(const ShowSettings& settings, const QStringList& pictures,
                                     QString* error) {
    const QString path = program_folder::tempIniPath();
    if (!show_file::write(path, settings, pictures, error))
        return std::nullopt;
    return path;
}

} // namespace folder_show
