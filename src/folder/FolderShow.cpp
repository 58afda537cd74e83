#include "folder/FolderShow.h"

#include "platform/ProgramFolder.h"
#include "show/Colour.h"

namespace folder_show {

desktop::MessageBox leftOutMessage(qsizetype count) {
    const QString text =
        count == 1
            ? QStringLiteral("1 picture was left out of the show because its path holds a double quote "
                             "(\"), which a Lumora file cannot store.")
            : QString::number(count) +
                  QStringLiteral(" pictures were left out of the show because their paths hold a double "
                                 "quote (\"), which a Lumora file cannot store.");
    return {text, QStringLiteral("Lumora"), desktop::Icon::Information, desktop::Buttons::Ok};
}

qint32 restoredColour(const QString& stored) {
    const auto value = show_file::parseInt32(stored);
    if (!value)
        return 0;
    return colour::toQColor(*value) ? *value : 0;
}

std::optional<QString> writeTempShow(const ShowSettings& settings, const QStringList& pictures,
                                     QString* error) {
    const QString path = program_folder::tempIniPath();
    if (!show_file::write(path, settings, pictures, error, show_file::Replace::TempShow))
        return std::nullopt;
    return path;
}

} // namespace folder_show
