#include "player/EarlyStart.h"

#include "picture/PicturePreloader.h"
#include "platform/General.h"
#include "show/PlayerState.h"
#include "show/ShowFile.h"

#include <QGuiApplication>
#include <QScreen>

namespace early_start {

std::unique_ptr<PicturePreloader> firstPicture(const QString& commandLine) {
    if (commandLine.isEmpty())
        return nullptr;
    const QString path = general::Strip_Quotes(commandLine);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !general::File_Exists(path))
        return nullptr;
    const auto read = show_file::readHead(path, 1);
    if (read.error != show_file::ReadError::None || read.content.pictures.isEmpty())
        return nullptr;
    // The player's first show of the run starts from these, as this one does.
    const PlayerState first;
    const ShowFileContent& show = read.content;
    if (show.shuffle.value_or(first.shuffle))
        return nullptr;
    // As the player will place it: on the screen its windows open on, which is the primary one
    // while no window exists.
    const ShowGeometry geometry{screen->geometry().size(), show.stretch.value_or(first.stretch),
                                show.keepRatio.value_or(first.keepRatio), screen->devicePixelRatio()};
    auto preloader = std::make_unique<PicturePreloader>();
    preloader->planAhead({show.pictures.first()}, geometry);
    return preloader;
}

} // namespace early_start
