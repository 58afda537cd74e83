#include "folder/FolderShow.h"

#include "platform/ProgramFolder.h"
#include "show/Colour.h"
#include "show/SettingsStore.h"

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

StoredChoices storedChoices() {
    using settings::GetInt;
    const QString app = QString::fromLatin1(settings::MenuApp);
    StoredChoices c;
    ShowSettings& s = c.settings;
    s.stretch = !settings::GetBool(app, QStringLiteral("Display Mode"), true);
    s.keepRatio = GetInt(app, QStringLiteral("Keep Ratio"), 1, 0, 2) != 0;
    s.delaySeconds =
        GetInt(app, QStringLiteral("Delay"), show_delay::Default, show_delay::Min, show_delay::Max);
    s.loop = GetInt(app, QStringLiteral("Loop"), 1, 0, 2) != 0;
    s.shuffle = GetInt(app, QStringLiteral("Shuffle"), 0, 0, 2) != 0;
    s.pauseMessage = GetInt(app, QStringLiteral("Pause Message"), 1, 0, 2) != 0;
    s.backColour =
        restoredColour(settings::GetSetting(app, settings::Section, QStringLiteral("Colour"), "0"));
    s.useMusic = GetInt(app, QStringLiteral("UseMusic"), 0, 0, 2) != 0;
    s.musicPath = settings::GetSetting(app, settings::Section, QStringLiteral("MusicPath"), QString());
    c.subfolders = GetInt(app, QStringLiteral("Sub Dirs"), 0, 0, 2) != 0;
    return c;
}

std::optional<QString> writeTempShow(const ShowSettings& settings, const QStringList& pictures,
                                     QString* error) {
    const QString path = program_folder::tempIniPath();
    if (!show_file::write(path, settings, pictures, error, show_file::Replace::TempShow))
        return std::nullopt;
    return path;
}

} // namespace folder_show
